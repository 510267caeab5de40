#pragma once
// The class registry: one small text file per registered GUID, "Name=Value" lines in UTF-8.
//
//   <dir>/{CLSID}           a class: InprocServer32 (the server library's absolute path),
//                           ThreadingModel, and whatever else its server records (ProgID, Version,
//                           TypeLib, MiscStatus, ToolboxBitmap32, ...)
//   <dir>/TypeLib/{LIBID}   a type library: the values its registrar records (Version, Win32, ...)
//
// Lookups search, in order, $QLM_COM_REGISTRY, the per-user folder
// ${XDG_DATA_HOME:-~/.local/share}/quillmarsh/com, and <dir of the program>/../share/quillmarsh/com
// (the install prefix, which the build tree mirrors); the first folder holding the entry wins.
// Registrations go to the registration target. Entries are replaced atomically (temp file + rename).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "guiddef.h"

namespace platform::com {

enum class RegistryKind { Class, TypeLib };

inline constexpr std::string_view kInprocServer32 = "InprocServer32";
inline constexpr std::string_view kThreadingModel = "ThreadingModel";

// Named text values in the order they were set. Names compare without regard to ASCII case, as
// registry value names do; a name holds no '=' and no line break, a value no line break.
class RegistryEntry {
public:
    RegistryEntry() = default;
    RegistryEntry(std::initializer_list<std::pair<std::string_view, std::string_view>> values);

    std::optional<std::string> Get(std::string_view name) const;
    void Set(std::string_view name, std::string_view value);
    const std::vector<std::pair<std::string, std::string>>& Values() const { return values_; }
    bool IsValid() const;

    std::string Serialize() const;
    // Blank lines and lines starting with '#' are skipped; a line without '=' makes the text invalid.
    static std::optional<RegistryEntry> Parse(std::string_view text);

private:
    std::vector<std::pair<std::string, std::string>> values_;
};

// ${XDG_DATA_HOME:-~/.local/share}: the per-user data folder of the XDG base directories.
std::filesystem::path UserDataHome();
// The folders searched, in search order (an unset $QLM_COM_REGISTRY is left out).
std::vector<std::filesystem::path> RegistrySearchPath();
// Where registrations are written: the folder set with SetRegistrationTarget, else $QLM_COM_REGISTRY,
// else the per-user folder.
std::filesystem::path RegistrationTarget();
// For the registration command's --registry; an empty path goes back to the default.
void SetRegistrationTarget(const std::filesystem::path& dir);

// S_OK with the entry (and the file it came from); REGDB_E_CLASSNOTREG for a class that is not found,
// TYPE_E_LIBNOTREGISTERED for a type library; REGDB_E_READREGDB for a file that cannot be read or parsed.
HRESULT FindRegistryEntry(RegistryKind kind, REFGUID guid, RegistryEntry& entry,
                          std::filesystem::path* file = nullptr);
// Into the registration target. E_INVALIDARG for an invalid entry; a failing file operation gives
// HRESULT_FROM_WIN32 of its error.
HRESULT WriteRegistryEntry(RegistryKind kind, REFGUID guid, const RegistryEntry& entry);
// From the registration target: S_OK, or S_FALSE when there was no entry.
HRESULT RemoveRegistryEntry(RegistryKind kind, REFGUID guid);

// For DllRegisterServer: records clsid as served in-process by the library at serverPath (made
// absolute) with the threading model ("Apartment", "Both", "Free"), plus the extra values.
HRESULT RegisterInprocServer(REFCLSID clsid, const std::filesystem::path& serverPath, std::string_view threadingModel,
                             const RegistryEntry& extra = {});

// The path of the shared object that holds `address`; empty if unknown.
std::filesystem::path ModulePathOf(const void* address);

namespace detail {
__attribute__((visibility("hidden"))) inline const char kModuleMarker = 0;
}
// The path of the shared object that calls this (for DllRegisterServer: the server itself).
__attribute__((visibility("hidden"))) inline std::filesystem::path ThisModulePath() {
    return ModulePathOf(&detail::kModuleMarker);
}

}  // namespace platform::com
