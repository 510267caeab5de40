// GUIDs in their braced text form: CLSIDFromString, IIDFromString, StringFromGUID2.
#include "platform/guid.h"

#include <algorithm>

#include "combaseapi.h"
#include "platform/fault_injection.h"
#include "winerror.h"

namespace platform::com {
namespace {

constexpr std::size_t kBracedLength = 38;  // {8-4-4-4-12}

int HexValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

// Works on narrow and wide text alike; every character must be ASCII to be valid.
template <class Char>
std::optional<GUID> ParseBraced(std::basic_string_view<Char> text) {
    if (text.size() != kBracedLength || text.front() != '{' || text.back() != '}') return std::nullopt;
    for (std::size_t dash : {9u, 14u, 19u, 24u})
        if (text[dash] != '-') return std::nullopt;
    // Reads `digits` hex digits starting at `pos`.
    auto hex = [&](std::size_t pos, std::size_t digits, std::uint64_t& out) {
        out = 0;
        for (std::size_t i = 0; i < digits; ++i) {
            const int v = HexValue(static_cast<char32_t>(text[pos + i]));
            if (v < 0) return false;
            out = (out << 4) | static_cast<std::uint64_t>(v);
        }
        return true;
    };
    GUID guid{};
    std::uint64_t v = 0;
    if (!hex(1, 8, v)) return std::nullopt;
    guid.Data1 = static_cast<DWORD>(v);
    if (!hex(10, 4, v)) return std::nullopt;
    guid.Data2 = static_cast<WORD>(v);
    if (!hex(15, 4, v)) return std::nullopt;
    guid.Data3 = static_cast<WORD>(v);
    // Data4: two bytes before the last dash, six after it.
    constexpr std::size_t kData4At[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!hex(kData4At[i], 2, v)) return std::nullopt;
        guid.Data4[i] = static_cast<BYTE>(v);
    }
    return guid;
}

template <class String>
String Format(REFGUID g) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    String out;
    out.reserve(kBracedLength);
    auto put = [&](std::uint64_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            out.push_back(static_cast<typename String::value_type>(kDigits[(value >> shift) & 0xF]));
    };
    out.push_back('{');
    put(g.Data1, 8);
    out.push_back('-');
    put(g.Data2, 4);
    out.push_back('-');
    put(g.Data3, 4);
    out.push_back('-');
    put(g.Data4[0], 2);
    put(g.Data4[1], 2);
    out.push_back('-');
    for (int i = 2; i < 8; ++i) put(g.Data4[i], 2);
    out.push_back('}');
    return out;
}

}  // namespace

std::string GuidToString(REFGUID guid) { return Format<std::string>(guid); }
std::u16string GuidToWideString(REFGUID guid) { return Format<std::u16string>(guid); }
std::optional<GUID> ParseGuid(std::string_view text) { return ParseBraced(text); }
std::optional<GUID> ParseGuid(std::u16string_view text) { return ParseBraced(text); }

}  // namespace platform::com

namespace {

HRESULT GuidFromString(const char* point, LPCOLESTR text, GUID* out, HRESULT badText) {
    if (auto injected = platform::fault::Check(point)) return HRESULT_FROM_WIN32(*injected);
    if (out == nullptr) return E_INVALIDARG;
    if (text == nullptr) {
        *out = GUID_NULL;
        return S_OK;
    }
    std::size_t length = 0;
    while (length <= platform::com::kBracedLength && text[length] != 0) ++length;
    const auto parsed = platform::com::ParseGuid(std::u16string_view(text, length));
    if (!parsed) return badText;
    *out = *parsed;
    return S_OK;
}

}  // namespace

extern "C" {

HRESULT WINAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    return GuidFromString("CLSIDFromString", lpsz, pclsid, CO_E_CLASSSTRING);
}

HRESULT WINAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid) {
    return GuidFromString("IIDFromString", lpsz, lpiid, E_INVALIDARG);
}

int WINAPI StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    if (platform::fault::Check("StringFromGUID2")) return 0;
    const std::u16string text = platform::com::GuidToWideString(rguid);
    const int needed = static_cast<int>(text.size()) + 1;
    if (lpsz == nullptr || cchMax < needed) return 0;
    std::copy(text.begin(), text.end(), lpsz);
    lpsz[text.size()] = 0;
    return needed;
}

}  // extern "C"
