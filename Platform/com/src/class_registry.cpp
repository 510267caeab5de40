// The class registry: entry files, the folders searched for them, and where registrations go.
#include "platform/class_registry.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/guid.h"
#include "platform/win32_errno.h"
#include "winerror.h"

namespace platform::com {
namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

HRESULT FromErrno(int error) { return HRESULT_FROM_WIN32(Win32ErrorFromErrno(error)); }

std::optional<std::filesystem::path> EnvironmentFolder(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::filesystem::path(value);
}

std::filesystem::path ProgramRegistryFolder() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return (program.parent_path() / ".." / "share" / "quillmarsh" / "com").lexically_normal();
}

std::filesystem::path EntryFile(const std::filesystem::path& folder, RegistryKind kind, REFGUID guid) {
    const std::string name = GuidToString(guid);
    return kind == RegistryKind::Class ? folder / name : folder / "TypeLib" / name;
}

HRESULT NotRegistered(RegistryKind kind) {
    return kind == RegistryKind::Class ? REGDB_E_CLASSNOTREG : TYPE_E_LIBNOTREGISTERED;
}

// The whole file, or the errno that stopped reading it.
int ReadWholeFile(const std::filesystem::path& file, std::string& text) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    text.clear();
    char buffer[4096];
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error = errno;
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return error;
}

// Writes `text` to a temporary file beside `file` and renames it over `file`, so that a reader sees
// the old entry or the new one, never a part.
int ReplaceFile(const std::filesystem::path& file, const std::string& text) {
    std::string temp = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return errno;
    int error = 0;
    for (std::size_t done = 0; done < text.size() && error == 0;) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) error = errno;
        else done += static_cast<std::size_t>(put);
    }
    if (error == 0 && ::fchmod(fd, 0644) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), file.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temp.c_str());
    return error;
}

struct TargetOverride {
    std::mutex mutex;
    std::filesystem::path folder;
};

TargetOverride& TheTargetOverride() {
    static TargetOverride target;
    return target;
}

}  // namespace

RegistryEntry::RegistryEntry(std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    for (const auto& [name, value] : values) Set(name, value);
}

std::optional<std::string> RegistryEntry::Get(std::string_view name) const {
    for (const auto& [n, v] : values_)
        if (SameNameIgnoringCase(n, name)) return v;
    return std::nullopt;
}

void RegistryEntry::Set(std::string_view name, std::string_view value) {
    for (auto& [n, v] : values_) {
        if (SameNameIgnoringCase(n, name)) {
            v = value;
            return;
        }
    }
    values_.emplace_back(name, value);
}

bool RegistryEntry::IsValid() const {
    for (const auto& [name, value] : values_) {
        if (name.empty() || name.front() == '#' || name.find_first_of("=\r\n") != std::string::npos) return false;
        if (value.find_first_of("\r\n") != std::string::npos) return false;
    }
    return true;
}

std::string RegistryEntry::Serialize() const {
    std::string text;
    for (const auto& [name, value] : values_) text += name + "=" + value + "\n";
    return text;
}

std::optional<RegistryEntry> RegistryEntry::Parse(std::string_view text) {
    RegistryEntry entry;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0) return std::nullopt;
        entry.Set(line.substr(0, equals), line.substr(equals + 1));
    }
    return entry;
}

std::filesystem::path UserDataHome() {
    // Only an absolute XDG_DATA_HOME counts, as the XDG base directories have it.
    if (auto xdg = EnvironmentFolder("XDG_DATA_HOME"); xdg && xdg->is_absolute()) return *xdg;
    if (auto home = EnvironmentFolder("HOME")) return *home / ".local" / "share";
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
        return std::filesystem::path(user->pw_dir) / ".local" / "share";
    return {};
}

std::vector<std::filesystem::path> RegistrySearchPath() {
    std::vector<std::filesystem::path> folders;
    if (auto tests = EnvironmentFolder("QLM_COM_REGISTRY")) folders.push_back(*tests);
    if (auto data = UserDataHome(); !data.empty()) folders.push_back(data / "quillmarsh" / "com");
    if (auto program = ProgramRegistryFolder(); !program.empty()) folders.push_back(program);
    return folders;
}

std::filesystem::path RegistrationTarget() {
    {
        TargetOverride& target = TheTargetOverride();
        std::lock_guard lock(target.mutex);
        if (!target.folder.empty()) return target.folder;
    }
    if (auto tests = EnvironmentFolder("QLM_COM_REGISTRY")) return *tests;
    const std::filesystem::path data = UserDataHome();
    return data.empty() ? data : data / "quillmarsh" / "com";
}

void SetRegistrationTarget(const std::filesystem::path& dir) {
    TargetOverride& target = TheTargetOverride();
    std::lock_guard lock(target.mutex);
    target.folder = dir;
}

HRESULT FindRegistryEntry(RegistryKind kind, REFGUID guid, RegistryEntry& entry, std::filesystem::path* file) {
    std::string text;
    for (const std::filesystem::path& folder : RegistrySearchPath()) {
        const std::filesystem::path candidate = EntryFile(folder, kind, guid);
        const int error = ReadWholeFile(candidate, text);
        if (error == ENOENT || error == ENOTDIR) continue;
        if (error != 0) return REGDB_E_READREGDB;
        auto parsed = RegistryEntry::Parse(text);
        if (!parsed) return REGDB_E_READREGDB;
        entry = std::move(*parsed);
        if (file != nullptr) *file = candidate;
        return S_OK;
    }
    return NotRegistered(kind);
}

HRESULT WriteRegistryEntry(RegistryKind kind, REFGUID guid, const RegistryEntry& entry) {
    if (!entry.IsValid()) return E_INVALIDARG;
    const std::filesystem::path folder = RegistrationTarget();
    if (folder.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    const std::filesystem::path file = EntryFile(folder, kind, guid);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) return FromErrno(ec.value());
    const std::string header = std::string("# ") + (kind == RegistryKind::Class ? "COM class " : "Type library ") +
                               GuidToString(guid) + "\n";
    const int error = ReplaceFile(file, header + entry.Serialize());
    return error == 0 ? S_OK : FromErrno(error);
}

HRESULT RemoveRegistryEntry(RegistryKind kind, REFGUID guid) {
    const std::filesystem::path folder = RegistrationTarget();
    if (folder.empty()) return S_FALSE;
    if (::unlink(EntryFile(folder, kind, guid).c_str()) == 0) return S_OK;
    if (errno == ENOENT || errno == ENOTDIR) return S_FALSE;
    return FromErrno(errno);
}

HRESULT RegisterInprocServer(REFCLSID clsid, const std::filesystem::path& serverPath, std::string_view threadingModel,
                             const RegistryEntry& extra) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(serverPath, ec);
    if (ec || serverPath.empty()) return E_INVALIDARG;
    RegistryEntry entry{{kInprocServer32, absolute.lexically_normal().string()}, {kThreadingModel, threadingModel}};
    for (const auto& [name, value] : extra.Values()) entry.Set(name, value);
    return WriteRegistryEntry(RegistryKind::Class, clsid, entry);
}

std::filesystem::path ModulePathOf(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0') return {};
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(info.dli_fname, ec);
    return ec ? std::filesystem::path() : path.lexically_normal();
}

}  // namespace platform::com
