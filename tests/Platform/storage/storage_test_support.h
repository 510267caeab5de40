#pragma once
// Helpers of the property set tests: opening a file's sets, one-property reads and writes, and the
// file's extended attributes read straight from the system (not through the storage).
#include <sys/xattr.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "coml2api.h"
#include "platform/com_ptr.h"
#include "propidl.h"
#include "temp_dir.h"

namespace storagetest {

using platform::com::ComPtr;

inline constexpr const char* kStreamAttribute = "user.DosStream.\005SummaryInformation:$DATA";
inline constexpr const char* kMirrorAttribute = "user.xdg.comment";
inline constexpr DWORD kOpenMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
inline constexpr DWORD kCreateMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

inline HRESULT OpenSets(const std::filesystem::path& file, DWORD mode, ComPtr<IPropertySetStorage>& sets) {
    return StgOpenStorageEx(qlmtest::Utf16(file).c_str(), mode, STGFMT_ANY, 0, nullptr, nullptr,
                            IID_IPropertySetStorage, reinterpret_cast<void**>(sets.ReleaseAndGetAddressOf()));
}

inline PROPSPEC Id(PROPID id) {
    PROPSPEC spec{};
    spec.ulKind = PRSPEC_PROPID;
    spec.propid = id;
    return spec;
}

inline PROPVARIANT Ansi(const char* text) {
    PROPVARIANT v{};
    v.vt = VT_LPSTR;
    v.pszVal = const_cast<LPSTR>(text);
    return v;
}

inline PROPVARIANT Wide(const char16_t* text) {
    PROPVARIANT v{};
    v.vt = VT_LPWSTR;
    v.pwszVal = const_cast<LPWSTR>(text);
    return v;
}

inline PROPVARIANT Long(LONG value) {
    PROPVARIANT v{};
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

inline HRESULT Write(IPropertyStorage* props, PROPID id, const PROPVARIANT& value) {
    const PROPSPEC spec = Id(id);
    return props->WriteMultiple(1, &spec, &value, PID_FIRST_USABLE);
}

// A value read back, owned: cleared when it goes.
struct ReadValue {
    HRESULT hr = E_FAIL;
    PROPVARIANT value{};
    ~ReadValue() { PropVariantClear(&value); }
};

inline void Read(IPropertyStorage* props, PROPID id, ReadValue& out) {
    const PROPSPEC spec = Id(id);
    out.hr = props->ReadMultiple(1, &spec, &out.value);
}

// The Comments property as text, or nothing when it is not there as VT_LPSTR.
inline std::optional<std::string> ReadComments(IPropertyStorage* props) {
    ReadValue v;
    Read(props, PIDSI_COMMENTS, v);
    if (v.hr != S_OK || v.value.vt != VT_LPSTR) return std::nullopt;
    return std::string(v.value.pszVal);
}

inline std::optional<std::vector<std::uint8_t>> Attribute(const std::filesystem::path& file, const char* name) {
    const ssize_t size = ::getxattr(file.c_str(), name, nullptr, 0);
    if (size < 0) return std::nullopt;
    std::vector<std::uint8_t> value(static_cast<std::size_t>(size));
    if (size > 0 && ::getxattr(file.c_str(), name, value.data(), value.size()) != size) return std::nullopt;
    return value;
}

inline std::optional<std::string> AttributeText(const std::filesystem::path& file, const char* name) {
    auto value = Attribute(file, name);
    if (!value) return std::nullopt;
    return std::string(value->begin(), value->end());
}

inline void SetAttribute(const std::filesystem::path& file, const char* name, const std::vector<std::uint8_t>& value) {
    ::setxattr(file.c_str(), name, value.data(), value.size(), 0);
}

// The names of the file's attributes in the user namespace, in the system's order.
inline std::vector<std::string> AttributeNames(const std::filesystem::path& file) {
    std::vector<std::string> names;
    const ssize_t size = ::listxattr(file.c_str(), nullptr, 0);
    if (size <= 0) return names;
    std::string list(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::listxattr(file.c_str(), list.data(), list.size());
    for (std::size_t at = 0; got > 0 && at < static_cast<std::size_t>(got);) {
        std::string name(list.c_str() + at);
        at += name.size() + 1;
        if (name.starts_with("user.")) names.push_back(std::move(name));
    }
    return names;
}

}  // namespace storagetest
