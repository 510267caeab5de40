// DeleteFileW, MoveFileExW and ReplaceFileW: removing and renaming files by name.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>

#include "errhandlingapi.h"
#include "fileapi.h"
#include "paths.h"
#include "platform/fault_injection.h"
#include "platform/win32_errno.h"
#include "share_modes.h"
#include "system_calls.h"
#include "winbase_kernel.h"
#include "winerror.h"

namespace platform::kernel {
namespace {

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// fsync of a file or folder by name: a file's data before it is renamed into place, a folder's entries after.
DWORD SyncPath(const std::string& path, int extraFlags) {
    const int fd = sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | extraFlags);
    if (fd < 0) return PathError(path, errno);
    const DWORD error = sys::Fsync(fd) == 0 ? 0 : Win32ErrorFromErrno(errno);
    ::close(fd);
    return error;
}

BOOL DeleteFile(const std::string& path) {
    if (const DWORD error = CheckDeleteSharing(path); error != 0) return Fail(error);
    if (sys::Unlink(path.c_str()) != 0) return Fail(PathError(path, errno));
    return TRUE;
}

DWORD RenameError(const std::string& to, bool replace, int error) {
    if (error == EEXIST || error == ENOTEMPTY) return replace ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS;
    if (error == ENOTDIR) return ERROR_ACCESS_DENIED;  // a folder onto a file
    return PathError(to, error);
}

BOOL MoveFile(const std::string& from, const std::string& to, DWORD flags) {
    const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    const bool writeThrough = (flags & MOVEFILE_WRITE_THROUGH) != 0;
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) return Fail(PathError(from, errno));
    if (DWORD error = CheckDeleteSharing(from); error != 0) return Fail(error);
    if (replace) {
        if (DWORD error = CheckDeleteSharing(to); error != 0) return Fail(error);
    }
    if (writeThrough && S_ISREG(st.st_mode)) {
        if (DWORD error = SyncPath(from, O_NOFOLLOW); error != 0) return Fail(error);
    }
    if (sys::Rename(from.c_str(), to.c_str(), replace) != 0) return Fail(RenameError(to, replace, errno));
    if (writeThrough) {
        const std::string toFolder = ParentFolder(to);
        const std::string fromFolder = ParentFolder(from);
        if (DWORD error = SyncPath(toFolder, O_DIRECTORY); error != 0) return Fail(error);
        if (fromFolder != toFolder) {
            if (DWORD error = SyncPath(fromFolder, O_DIRECTORY); error != 0) return Fail(error);
        }
    }
    return TRUE;
}

// The replacement takes on the replaced file's access before it takes its name: its owner and group
// where this process may give them, and its permission bits, so that replacing a private file never
// leaves a readable one in its place.
BOOL ReplaceFile(const std::string& replaced, const std::string& replacement, DWORD flags) {
    struct stat target;
    if (::stat(replaced.c_str(), &target) != 0) return Fail(PathError(replaced, errno));
    if (!S_ISREG(target.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    const int fd = sys::Open(replacement.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0) return Fail(PathError(replacement, errno));
    // Only root may give a file away; a group the owner belongs to is still worth keeping.
    if (::fchown(fd, target.st_uid, target.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), target.st_gid);
    const bool permissionsSet = ::fchmod(fd, target.st_mode & 07777) == 0;
    const int chmodError = errno;
    ::close(fd);
    if (!permissionsSet && (flags & REPLACEFILE_IGNORE_ACL_ERRORS) == 0) return Fail(Win32ErrorFromErrno(chmodError));
    const DWORD moveFlags = MOVEFILE_REPLACE_EXISTING | ((flags & REPLACEFILE_WRITE_THROUGH) ? MOVEFILE_WRITE_THROUGH : 0);
    return MoveFile(replacement, replaced, moveFlags);
}

}  // namespace
}  // namespace platform::kernel

extern "C" {

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    if (platform::fault::Fail("DeleteFileW")) return FALSE;
    try {
        const std::optional<std::string> path = platform::kernel::NativePath(lpFileName);
        return path && platform::kernel::DeleteFile(*path);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
    if (platform::fault::Fail("MoveFileExW")) return FALSE;
    if ((dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) != 0) return platform::kernel::Fail(ERROR_INVALID_PARAMETER);
    try {
        const std::optional<std::string> from = platform::kernel::NativePath(lpExistingFileName);
        if (!from) return FALSE;
        const std::optional<std::string> to = platform::kernel::NativePath(lpNewFileName);
        return to && platform::kernel::MoveFile(*from, *to, dwFlags);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

BOOL WINAPI ReplaceFileW(LPCWSTR lpReplacedFileName, LPCWSTR lpReplacementFileName, LPCWSTR lpBackupFileName,
                         DWORD dwReplaceFlags, LPVOID lpExclude, LPVOID lpReserved) {
    if (platform::fault::Fail("ReplaceFileW")) return FALSE;
    constexpr DWORD kKnown = REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS;
    if (lpBackupFileName != nullptr || lpExclude != nullptr || lpReserved != nullptr || (dwReplaceFlags & ~kKnown) != 0)
        return platform::kernel::Fail(ERROR_INVALID_PARAMETER);
    try {
        const std::optional<std::string> replaced = platform::kernel::NativePath(lpReplacedFileName);
        if (!replaced) return FALSE;
        const std::optional<std::string> replacement = platform::kernel::NativePath(lpReplacementFileName);
        return replacement && platform::kernel::ReplaceFile(*replaced, *replacement, dwReplaceFlags);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

}  // extern "C"
