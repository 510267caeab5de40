#pragma once
// A property set and its serialized form, the property set stream: the byte-order mark 0xFFFE, the
// format version, the writer's OS version, the class identifier, one FMTID/offset pair, then the
// section: its size, its property count, the identifier/offset table and the typed values, each
// padded to 4 bytes. All numbers are little-endian.
//
// The code page (property 1) is kept apart from the properties: VT_LPSTR text is held in the ANSI
// code page (UTF-8 here) and converted to and from the set's code page at the stream's edge.
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "propidl.h"

namespace platform::storage {

inline constexpr WORD kCodePageUtf8 = 65001;
inline constexpr WORD kCodePageUtf16 = 1200;

// One value. Types that this layer does not convert are kept as found (type, padding and value
// bytes up to the next value), so that writing the set back keeps them; so is the dictionary.
struct PropertyValue {
    VARTYPE type = VT_EMPTY;
    std::int32_t number = 0;            // VT_I2 (sign-extended), VT_I4
    FILETIME time{};                    // VT_FILETIME
    std::string text;                   // VT_LPSTR: in the ANSI code page, without its NUL
    std::u16string wideText;            // VT_LPWSTR: without its NUL
    std::vector<std::uint8_t> kept;     // any other type: its bytes in the stream, from the type field on

    bool IsKept() const { return !kept.empty(); }

    static PropertyValue I2(std::int16_t value);
    static PropertyValue I4(std::int32_t value);
    static PropertyValue Time(FILETIME value);
    static PropertyValue Ansi(std::string value);
    static PropertyValue Wide(std::u16string value);

    friend bool operator==(const PropertyValue& a, const PropertyValue& b);
};

struct PropertySet {
    FMTID fmtid = GUID_NULL;
    CLSID clsid = GUID_NULL;
    WORD version = 0;
    DWORD osVersion = 0;
    WORD codePage = kCodePageUtf8;
    std::map<PROPID, PropertyValue> properties;  // everything but the code page

    friend bool operator==(const PropertySet& a, const PropertySet& b) = default;
};

// The OS version that sets written here carry: Windows 10.0 on the Win32 platform.
inline constexpr DWORD kWriterOsVersion = 0x0002000A;

// The stream form of set: the code page first, then the properties by identifier. Throws
// std::bad_alloc only; text that the code page cannot hold is written as its conversion renders it.
std::vector<std::uint8_t> SerializePropertySet(const PropertySet& set);

// Reads a stream strictly: every offset and length is checked against the section and the stream,
// values may not overlap, identifiers may not repeat, strings must end in their NUL. S_OK, or
// STG_E_INVALIDHEADER for a damaged or inconsistent stream (set is then unspecified).
HRESULT ParsePropertySet(std::span<const std::uint8_t> stream, PropertySet& set);

}  // namespace platform::storage
