#include "paths.h"

#include <sys/stat.h>

#include <cerrno>

#include "errhandlingapi.h"
#include "platform/utf.h"
#include "platform/win32_errno.h"
#include "winerror.h"

namespace platform::kernel {

std::optional<std::string> NativePath(LPCWSTR path) {
    if (path == nullptr || path[0] == u'\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    std::optional<std::string> utf8 = Utf16ToUtf8(std::u16string_view(path, WideLength(path)));
    if (!utf8) SetLastError(ERROR_INVALID_NAME);
    return utf8;
}

std::string ParentFolder(const std::string& path) {
    // Trailing slashes name the same entry: "a/b/" is b in a.
    std::string::size_type last = path.find_last_not_of('/');
    if (last == std::string::npos) return "/";
    const std::string::size_type slash = path.find_last_of('/', last);
    if (slash == std::string::npos) return ".";
    last = path.find_last_not_of('/', slash);
    return last == std::string::npos ? "/" : path.substr(0, last + 1);
}

DWORD PathError(const std::string& path, int error) {
    if (error != ENOENT) return Win32ErrorFromErrno(error);
    struct stat st;
    const std::string folder = ParentFolder(path);
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

}  // namespace platform::kernel
