#include "BagFile.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

#include "FileContents.h"
#include "Messages.h"
#include "platform/utf.h"
#include "winerror.h"

namespace qlmhost {
namespace {

using Json = nlohmann::ordered_json;
using platform::com::UniqueVariant;

constexpr HRESULT kNotABag = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

// The file's type names, in the order of the header's table.
struct TypeName {
    std::string_view name;
    VARTYPE vt;
};
constexpr std::array<TypeName, 7> kTypes = {{
    {"string", VT_BSTR},
    {"i2", VT_I2},
    {"i4", VT_I4},
    {"bool", VT_BOOL},
    {"date", VT_DATE},
    {"r8", VT_R8},
    {"null", VT_NULL},
}};

std::optional<VARTYPE> TypeFromName(std::string_view name) {
    for (const auto& type : kTypes)
        if (type.name == name) return type.vt;
    return std::nullopt;
}

std::string_view NameOfType(VARTYPE vt) {
    for (const auto& type : kTypes)
        if (type.vt == vt) return type.name;
    return {};
}

HRESULT Refuse(HRESULT hr, std::string_view key, std::string_view what, std::string& why) {
    why = "key " + Quote(key) + ": " + std::string(what);
    return hr;
}

// The library's message without its "[json.exception.parse_error.101] " tag, and with the input's bytes
// that it quotes made printable.
std::string JsonErrorText(const nlohmann::json::exception& error) {
    std::string text = error.what();
    if (text.rfind("[json.exception.", 0) == 0) {
        const auto end = text.find("] ");
        if (end != std::string::npos) text.erase(0, end + 2);
    }
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return text;
}

template <class Integer>
std::optional<Integer> IntegerIn(const Json& value) {
    if (value.is_number_unsigned()) {
        const auto n = value.get<std::uint64_t>();
        if (n <= static_cast<std::uint64_t>(std::numeric_limits<Integer>::max())) return static_cast<Integer>(n);
    } else if (value.is_number_integer()) {
        const auto n = value.get<std::int64_t>();
        if (n >= std::numeric_limits<Integer>::min() && n <= std::numeric_limits<Integer>::max())
            return static_cast<Integer>(n);
    }
    return std::nullopt;
}

// One entry of the file, {"type": ..., "value": ...}, as a VARIANT.
HRESULT ValueFromJson(std::string_view key, const Json& entry, UniqueVariant& out, std::string& why) {
    if (!entry.is_object())
        return Refuse(kNotABag, key, "expected an object {\"type\": ..., \"value\": ...}", why);
    for (const auto& member : entry.items())
        if (member.key() != "type" && member.key() != "value")
            return Refuse(kNotABag, key, "unexpected member " + Quote(member.key()), why);
    const auto typeMember = entry.find("type");
    if (typeMember == entry.end() || !typeMember->is_string())
        return Refuse(kNotABag, key, "no \"type\" text", why);
    const std::string typeName = typeMember->get<std::string>();
    const auto vt = TypeFromName(typeName);
    if (!vt)
        return Refuse(kNotABag, key,
                      "unknown type " + Quote(typeName) + " (string, i2, i4, bool, date, r8 or null)", why);
    const auto valueMember = entry.find("value");
    if (valueMember == entry.end()) {
        if (*vt == VT_NULL) {
            out = UniqueVariant::Null();
            return S_OK;
        }
        return Refuse(kNotABag, key, "no \"value\"", why);
    }
    const Json& value = *valueMember;
    switch (*vt) {
        case VT_BSTR: {
            if (!value.is_string()) return Refuse(kNotABag, key, "a string value must be JSON text", why);
            // The parser has checked the UTF-8 already.
            const auto text = platform::Utf8ToUtf16(value.get_ref<const std::string&>());
            if (!text) return Refuse(kNotABag, key, "the text is not UTF-8", why);
            out = UniqueVariant::FromString(*text);
            if (out.Type() != VT_BSTR) return Refuse(E_OUTOFMEMORY, key, "out of memory", why);
            return S_OK;
        }
        case VT_I2:
            if (const auto n = IntegerIn<SHORT>(value)) {
                out = UniqueVariant::FromShort(*n);
                return S_OK;
            }
            return Refuse(kNotABag, key, "an i2 value must be an integer from -32768 to 32767", why);
        case VT_I4:
            if (const auto n = IntegerIn<LONG>(value)) {
                out = UniqueVariant::FromLong(*n);
                return S_OK;
            }
            return Refuse(kNotABag, key, "an i4 value must be an integer from -2147483648 to 2147483647", why);
        case VT_BOOL:
            if (!value.is_boolean()) return Refuse(kNotABag, key, "a bool value must be true or false", why);
            out = UniqueVariant::FromBool(value.get<bool>());
            return S_OK;
        case VT_R8:
            if (!value.is_number()) return Refuse(kNotABag, key, "an r8 value must be a number", why);
            out = UniqueVariant::FromDouble(value.get<double>());
            return S_OK;
        case VT_DATE: {
            if (!value.is_string())
                return Refuse(kNotABag, key, "a date value must be ISO 8601 text such as \"2008-07-18T00:00:00\"", why);
            const std::string& text = value.get_ref<const std::string&>();
            DATE date = 0;
            const HRESULT hr = ParseIsoDate(text, date);
            if (hr == DISP_E_OVERFLOW)
                return Refuse(kNotABag, key, "date out of range (years 100 to 9999): " + Quote(text), why);
            if (FAILED(hr))
                return Refuse(kNotABag, key,
                              "not an ISO 8601 date such as \"2008-07-18T00:00:00\": " + Quote(text), why);
            out = UniqueVariant::FromDate(date);
            return S_OK;
        }
        case VT_NULL:
            if (!value.is_null()) return Refuse(kNotABag, key, "a null value must be null", why);
            out = UniqueVariant::Null();
            return S_OK;
        default:
            return Refuse(kNotABag, key, "unknown type", why);
    }
}

HRESULT ValueToJson(const NamedValue& item, Json& out, std::string& why) {
    const std::string key = Narrow(item.name);
    const VARIANT& v = *item.value.Get();
    Json value;
    switch (v.vt) {
        case VT_BSTR: {
            const auto text = platform::Utf16ToUtf8(std::u16string_view(v.bstrVal ? v.bstrVal : u"", SysStringLen(v.bstrVal)));
            if (!text) return Refuse(HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION), key, "the text is not valid UTF-16", why);
            value = *text;
            break;
        }
        case VT_I2:
            value = v.iVal;
            break;
        case VT_I4:
            value = v.lVal;
            break;
        case VT_BOOL:
            value = v.boolVal != VARIANT_FALSE;
            break;
        case VT_R8:
            if (!std::isfinite(v.dblVal)) return Refuse(DISP_E_OVERFLOW, key, "an r8 value must be a finite number", why);
            value = v.dblVal;
            break;
        case VT_DATE: {
            std::string text;
            if (FAILED(FormatIsoDate(v.date, text)))
                return Refuse(DISP_E_OVERFLOW, key, "the date is out of range (years 100 to 9999)", why);
            value = text;
            break;
        }
        case VT_NULL:
            value = nullptr;
            break;
        default:
            return Refuse(DISP_E_BADVARTYPE, key, "a value of type " + std::to_string(v.vt) + " cannot be kept in a bag file",
                          why);
    }
    out = Json::object();
    out["type"] = std::string(NameOfType(v.vt));
    out["value"] = std::move(value);
    return S_OK;
}

bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, unsigned& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return true;
}

}  // namespace

const VARIANT* BagValues::Find(std::u16string_view name) const {
    for (const auto& item : items_)
        if (item.name == name) return item.value.Get();
    return nullptr;
}

HRESULT BagValues::Set(std::u16string_view name, const VARIANT& value) {
    UniqueVariant copy;
    const HRESULT hr = VariantCopyInd(copy.Put(), &value);
    if (FAILED(hr)) return hr;
    for (auto& item : items_) {
        if (item.name == name) {
            item.value = std::move(copy);
            return S_OK;
        }
    }
    items_.push_back({std::u16string(name), std::move(copy)});
    return S_OK;
}

HRESULT CheckBagType(const VARIANT& value) {
    return NameOfType(value.vt).empty() ? DISP_E_BADVARTYPE : S_OK;
}

HRESULT FormatIsoDate(DATE date, std::string& text) {
    SYSTEMTIME st{};
    if (!std::isfinite(date) || !VariantTimeToSystemTime(date, &st)) return DISP_E_OVERFLOW;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02uT%02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond);
    text = buffer;
    return S_OK;
}

HRESULT ParseIsoDate(std::string_view text, DATE& date) {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadDigits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || !ReadDigits(text, 5, 2, month) ||
        text[7] != '-' || !ReadDigits(text, 8, 2, day))
        return DISP_E_TYPEMISMATCH;
    if (text.size() > 10) {
        const bool minutes = text.size() == 16 || text.size() == 19;
        if (!minutes || text[10] != 'T' || !ReadDigits(text, 11, 2, hour) || text[13] != ':' ||
            !ReadDigits(text, 14, 2, minute))
            return DISP_E_TYPEMISMATCH;
        if (text.size() == 19 && (text[16] != ':' || !ReadDigits(text, 17, 2, second))) return DISP_E_TYPEMISMATCH;
    }
    if (year < 100) return DISP_E_OVERFLOW;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    DOUBLE value = 0;
    if (!SystemTimeToVariantTime(&st, &value)) return DISP_E_TYPEMISMATCH;
    date = value;
    return S_OK;
}

HRESULT ParseBagText(std::string_view text, BagValues& values, std::string& why) {
    // The callback keeps the tree flat: a container inside a value is refused without being built, so
    // that no nesting depth costs memory or stack. It also catches names given twice, which the
    // library would quietly merge.
    std::optional<std::string> duplicate, nested;
    std::string currentKey;
    std::set<std::string> keys, members;
    const auto watch = [&](int depth, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::key) {
            const std::string& name = parsed.get_ref<const std::string&>();
            if (depth == 1) {
                currentKey = name;
                members.clear();
                if (!keys.insert(name).second && !duplicate) duplicate = "key " + Quote(name) + " appears twice";
            } else if (depth == 2 && !members.insert(name).second && !duplicate) {
                duplicate = "key " + Quote(currentKey) + ": member " + Quote(name) + " appears twice";
            }
        } else if ((event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start) &&
                   depth >= 2) {
            if (!nested) nested = currentKey;
            return false;
        }
        return true;
    };

    // The library would take a NUL byte for the end of the text and ignore what follows it.
    if (text.find('\0') != std::string_view::npos) {
        why = "not JSON: the text holds a NUL byte";
        return kNotABag;
    }
    Json document;
    try {
        document = Json::parse(text.begin(), text.end(), watch);
    } catch (const nlohmann::json::exception& error) {
        why = "not JSON: " + JsonErrorText(error);
        return kNotABag;
    }
    if (!document.is_object()) {
        why = "the file holds no JSON object of named values";
        return kNotABag;
    }
    if (duplicate) {
        why = *duplicate;
        return kNotABag;
    }
    if (nested) return Refuse(kNotABag, *nested, "a value cannot be an object or an array", why);

    BagValues parsed;
    for (const auto& item : document.items()) {
        UniqueVariant value;
        const HRESULT hr = ValueFromJson(item.key(), item.value(), value, why);
        if (FAILED(hr)) return hr;
        const auto name = platform::Utf8ToUtf16(item.key());
        if (!name) return Refuse(kNotABag, item.key(), "the name is not UTF-8", why);
        if (FAILED(parsed.Set(*name, *value.Get()))) return Refuse(E_OUTOFMEMORY, item.key(), "out of memory", why);
    }
    values = std::move(parsed);
    return S_OK;
}

HRESULT FormatBagText(const BagValues& values, std::string& text, std::string& why) {
    Json document = Json::object();
    for (const auto& item : values.Items()) {
        Json entry;
        const HRESULT hr = ValueToJson(item, entry, why);
        if (FAILED(hr)) return hr;
        const auto name = platform::Utf16ToUtf8(item.name);
        if (!name) return Refuse(HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION), Narrow(item.name), "the name is not valid UTF-16", why);
        document[*name] = std::move(entry);
    }
    text = document.dump(2) + "\n";
    return S_OK;
}

HRESULT ReadBagFile(const std::filesystem::path& file, BagValues& values, std::string& why) {
    std::string text;
    HRESULT hr = ReadFileContents(file, text, why);
    if (FAILED(hr)) return hr;
    hr = ParseBagText(text, values, why);
    if (FAILED(hr)) why = "cannot load " + Quote(file.string()) + ": " + why;
    return hr;
}

HRESULT WriteBagFile(const std::filesystem::path& file, const BagValues& values, std::string& why) {
    std::string text;
    HRESULT hr = FormatBagText(values, text, why);
    if (FAILED(hr)) {
        why = "cannot write " + Quote(file.string()) + ": " + why;
        return hr;
    }
    return ReplaceFileContents(file, text, why);
}

}  // namespace qlmhost
