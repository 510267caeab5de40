// The property set stream: writing a set out and reading one back, strictly.
#include "platform/property_set_stream.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <utility>

#include "platform/utf.h"
#include "winerror.h"

namespace platform::storage {
namespace {

constexpr WORD kByteOrderMark = 0xFFFE;
constexpr std::size_t kHeaderSize = 28;                 // byte order .. number of sections
constexpr std::size_t kFirstSectionOffset = kHeaderSize + 16 + 4;  // one FMTID/offset pair
constexpr std::size_t kSectionHeaderSize = 8;           // size, property count
constexpr std::size_t kTableEntrySize = 8;              // identifier, offset

std::size_t Padded(std::size_t size) { return (size + 3) & ~std::size_t{3}; }

// ---- Writing -----------------------------------------------------------------------------------

class ByteWriter {
public:
    void U16(std::uint16_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void Guid(const GUID& g) {
        U32(g.Data1);
        U16(g.Data2);
        U16(g.Data3);
        Bytes(g.Data4, sizeof(g.Data4));
    }
    void Bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void PadTo4() { bytes_.resize(Padded(bytes_.size()), 0); }
    // The value's type field and its padding word.
    void Type(VARTYPE type) {
        U16(type);
        U16(0);
    }
    std::size_t Size() const { return bytes_.size(); }
    std::vector<std::uint8_t>& Take() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// What a single-byte code page other than UTF-8 holds of text, and what reads back from it: this
// platform has no tables for them, so only ASCII passes and every other byte becomes the default
// character.
std::string AsciiOnly(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    }
    return out;
}

void WriteAnsiString(ByteWriter& out, WORD codePage, const std::string& text) {
    out.Type(VT_LPSTR);
    if (codePage == kCodePageUtf16) {
        std::optional<std::u16string> wide = Utf8ToUtf16(text);
        if (!wide) wide = Utf8ToUtf16(AsciiOnly(text));
        out.U32(static_cast<std::uint32_t>((wide->size() + 1) * 2));
        for (char16_t c : *wide) out.U16(c);
        out.U16(0);
    } else {
        const std::string bytes = codePage == kCodePageUtf8 || IsAscii(text) ? text : AsciiOnly(text);
        out.U32(static_cast<std::uint32_t>(bytes.size() + 1));
        out.Bytes(bytes.data(), bytes.size());
        out.Bytes("", 1);
    }
    out.PadTo4();
}

void WriteValue(ByteWriter& out, WORD codePage, const PropertyValue& value) {
    if (value.IsKept()) {
        out.Bytes(value.kept.data(), value.kept.size());
        out.PadTo4();
        return;
    }
    switch (value.type) {
        case VT_I2:
            out.Type(VT_I2);
            out.U16(static_cast<std::uint16_t>(value.number));
            out.U16(0);
            break;
        case VT_I4:
            out.Type(VT_I4);
            out.U32(static_cast<std::uint32_t>(value.number));
            break;
        case VT_FILETIME:
            out.Type(VT_FILETIME);
            out.U32(value.time.dwLowDateTime);
            out.U32(value.time.dwHighDateTime);
            break;
        case VT_LPSTR:
            WriteAnsiString(out, codePage, value.text);
            break;
        case VT_LPWSTR:
            out.Type(VT_LPWSTR);
            out.U32(static_cast<std::uint32_t>(value.wideText.size() + 1));
            for (char16_t c : value.wideText) out.U16(c);
            out.U16(0);
            out.PadTo4();
            break;
        default:
            // The storage refuses other types before they reach a set; an empty value keeps its place.
            out.Type(VT_EMPTY);
            break;
    }
}

// ---- Reading -----------------------------------------------------------------------------------

// Little-endian reads at offsets that the caller has checked against the span.
std::uint16_t U16(std::span<const std::uint8_t> s, std::size_t at) {
    return static_cast<std::uint16_t>(s[at] | (s[at + 1] << 8));
}
std::uint32_t U32(std::span<const std::uint8_t> s, std::size_t at) {
    return static_cast<std::uint32_t>(U16(s, at)) | (static_cast<std::uint32_t>(U16(s, at + 2)) << 16);
}
GUID Guid(std::span<const std::uint8_t> s, std::size_t at) {
    GUID g;
    g.Data1 = U32(s, at);
    g.Data2 = U16(s, at + 4);
    g.Data3 = U16(s, at + 6);
    std::memcpy(g.Data4, s.data() + at + 8, sizeof(g.Data4));
    return g;
}

struct Entry {
    PROPID id;
    std::uint32_t offset;
    std::uint32_t extent;  // bytes up to the next value or the end of the section
};

std::optional<std::string> ReadAnsiString(std::span<const std::uint8_t> chars, WORD codePage) {
    if (chars.empty()) return std::string();  // a size of 0: no characters, not even the NUL
    if (codePage == kCodePageUtf16) {
        if (chars.size() % 2 != 0 || U16(chars, chars.size() - 2) != 0) return std::nullopt;
        std::u16string wide;
        for (std::size_t i = 0; i + 2 < chars.size() && U16(chars, i) != 0; i += 2) wide.push_back(U16(chars, i));
        return Utf16ToUtf8(wide);
    }
    if (chars.back() != 0) return std::nullopt;
    std::string text(reinterpret_cast<const char*>(chars.data()));  // up to the first NUL
    return codePage == kCodePageUtf8 ? text : AsciiOnly(text);
}

std::optional<std::u16string> ReadWideString(std::span<const std::uint8_t> chars) {
    if (chars.empty()) return std::u16string();
    if (U16(chars, chars.size() - 2) != 0) return std::nullopt;
    std::u16string wide;
    for (std::size_t i = 0; i + 2 < chars.size() && U16(chars, i) != 0; i += 2) wide.push_back(U16(chars, i));
    return wide;
}

// The value at entry.offset of section; nothing when it runs past its extent or is malformed.
std::optional<PropertyValue> ReadValue(std::span<const std::uint8_t> section, const Entry& entry, WORD codePage) {
    const auto value = section.subspan(entry.offset, entry.extent);
    if (entry.id == PID_DICTIONARY) {
        PropertyValue kept;
        kept.kept.assign(value.begin(), value.end());
        return kept;
    }
    const VARTYPE type = U16(value, 0);
    auto need = [&](std::uint64_t size) { return size <= value.size(); };
    switch (type) {
        case VT_I2:
            if (!need(8)) return std::nullopt;
            return PropertyValue::I2(static_cast<std::int16_t>(U16(value, 4)));
        case VT_I4:
            if (!need(8)) return std::nullopt;
            return PropertyValue::I4(static_cast<std::int32_t>(U32(value, 4)));
        case VT_FILETIME:
            if (!need(12)) return std::nullopt;
            return PropertyValue::Time(FILETIME{U32(value, 4), U32(value, 8)});
        case VT_LPSTR: {
            if (!need(8)) return std::nullopt;
            const std::uint64_t size = U32(value, 4);
            if (!need(8 + size)) return std::nullopt;
            auto text = ReadAnsiString(value.subspan(8, static_cast<std::size_t>(size)), codePage);
            if (!text) return std::nullopt;
            return PropertyValue::Ansi(std::move(*text));
        }
        case VT_LPWSTR: {
            if (!need(8)) return std::nullopt;
            const std::uint64_t bytes = std::uint64_t{U32(value, 4)} * 2;
            if (!need(8 + bytes)) return std::nullopt;
            auto wide = ReadWideString(value.subspan(8, static_cast<std::size_t>(bytes)));
            if (!wide) return std::nullopt;
            return PropertyValue::Wide(std::move(*wide));
        }
        default: {
            PropertyValue kept;
            kept.type = type;
            kept.kept.assign(value.begin(), value.end());
            return kept;
        }
    }
}

// The identifier/offset table, each entry with its extent. Offsets must be aligned, lie past the
// table and inside the section, and differ; identifiers must differ.
std::optional<std::vector<Entry>> ReadTable(std::span<const std::uint8_t> section) {
    const std::uint64_t count = U32(section, 4);
    const std::uint64_t tableEnd = kSectionHeaderSize + count * kTableEntrySize;
    if (tableEnd > section.size()) return std::nullopt;
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    std::set<PROPID> ids;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kSectionHeaderSize + i * kTableEntrySize;
        Entry entry{U32(section, at), U32(section, at + 4), 0};
        if (entry.offset % 4 != 0 || entry.offset < tableEnd || std::uint64_t{entry.offset} + 4 > section.size())
            return std::nullopt;
        if (!ids.insert(entry.id).second) return std::nullopt;
        entries.push_back(entry);
    }
    std::vector<std::uint32_t> offsets;
    offsets.reserve(entries.size());
    for (const Entry& e : entries) offsets.push_back(e.offset);
    std::sort(offsets.begin(), offsets.end());
    if (std::adjacent_find(offsets.begin(), offsets.end()) != offsets.end()) return std::nullopt;
    for (Entry& e : entries) {
        auto next = std::upper_bound(offsets.begin(), offsets.end(), e.offset);
        const std::size_t end = next == offsets.end() ? section.size() : *next;
        e.extent = static_cast<std::uint32_t>(end - e.offset);
    }
    return entries;
}

HRESULT Invalid() { return STG_E_INVALIDHEADER; }

}  // namespace

PropertyValue PropertyValue::I2(std::int16_t value) {
    PropertyValue v;
    v.type = VT_I2;
    v.number = value;
    return v;
}
PropertyValue PropertyValue::I4(std::int32_t value) {
    PropertyValue v;
    v.type = VT_I4;
    v.number = value;
    return v;
}
PropertyValue PropertyValue::Time(FILETIME value) {
    PropertyValue v;
    v.type = VT_FILETIME;
    v.time = value;
    return v;
}
PropertyValue PropertyValue::Ansi(std::string value) {
    PropertyValue v;
    v.type = VT_LPSTR;
    v.text = std::move(value);
    return v;
}
PropertyValue PropertyValue::Wide(std::u16string value) {
    PropertyValue v;
    v.type = VT_LPWSTR;
    v.wideText = std::move(value);
    return v;
}

bool operator==(const PropertyValue& a, const PropertyValue& b) {
    return a.type == b.type && a.number == b.number && a.time.dwLowDateTime == b.time.dwLowDateTime &&
           a.time.dwHighDateTime == b.time.dwHighDateTime && a.text == b.text && a.wideText == b.wideText &&
           a.kept == b.kept;
}

std::vector<std::uint8_t> SerializePropertySet(const PropertySet& set) {
    ByteWriter values;
    std::vector<std::pair<PROPID, std::uint32_t>> table;  // offsets from the start of the values
    table.reserve(set.properties.size() + 1);
    table.emplace_back(PID_CODEPAGE, 0);
    values.Type(VT_I2);
    values.U16(set.codePage);
    values.U16(0);
    for (const auto& [id, value] : set.properties) {
        if (id == PID_CODEPAGE) continue;
        table.emplace_back(id, static_cast<std::uint32_t>(values.Size()));
        WriteValue(values, set.codePage, value);
    }
    const std::size_t tableSize = kSectionHeaderSize + table.size() * kTableEntrySize;

    ByteWriter out;
    out.U16(kByteOrderMark);
    out.U16(set.version);
    out.U32(set.osVersion);
    out.Guid(set.clsid);
    out.U32(1);
    out.Guid(set.fmtid);
    out.U32(static_cast<std::uint32_t>(kFirstSectionOffset));
    out.U32(static_cast<std::uint32_t>(tableSize + values.Size()));
    out.U32(static_cast<std::uint32_t>(table.size()));
    for (const auto& [id, offset] : table) {
        out.U32(id);
        out.U32(static_cast<std::uint32_t>(tableSize + offset));
    }
    out.Bytes(values.Take().data(), values.Size());
    return std::move(out.Take());
}

HRESULT ParsePropertySet(std::span<const std::uint8_t> stream, PropertySet& set) {
    if (stream.size() < kFirstSectionOffset) return Invalid();
    if (U16(stream, 0) != kByteOrderMark) return Invalid();
    set.version = U16(stream, 2);
    if (set.version > 1) return Invalid();
    set.osVersion = U32(stream, 4);
    set.clsid = Guid(stream, 8);
    // Only the one-section form: the Summary Information set never has a second section.
    if (U32(stream, 24) != 1) return Invalid();
    set.fmtid = Guid(stream, 28);
    const std::uint32_t sectionOffset = U32(stream, 44);
    if (sectionOffset < kFirstSectionOffset || sectionOffset > stream.size() ||
        stream.size() - sectionOffset < kSectionHeaderSize)
        return Invalid();
    auto section = stream.subspan(sectionOffset);
    const std::uint32_t sectionSize = U32(section, 0);
    if (sectionSize < kSectionHeaderSize || sectionSize > section.size() || sectionSize % 4 != 0) return Invalid();
    section = section.first(sectionSize);

    const auto entries = ReadTable(section);
    if (!entries) return Invalid();
    set.codePage = kCodePageUtf8;  // a set without a code page is taken to be in the ANSI code page
    for (const Entry& e : *entries) {
        if (e.id != PID_CODEPAGE) continue;
        if (U16(section, e.offset) != VT_I2 || e.extent < 8) return Invalid();
        set.codePage = U16(section, e.offset + 4);
    }
    set.properties.clear();
    for (const Entry& e : *entries) {
        if (e.id == PID_CODEPAGE) continue;
        auto value = ReadValue(section, e, set.codePage);
        if (!value) return Invalid();
        set.properties.emplace(e.id, std::move(*value));
    }
    return S_OK;
}

}  // namespace platform::storage
