#include "attribute_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "coml2api.h"
#include "fileapi.h"
#include "platform/share_locks.h"
#include "platform/win32_errno.h"
#include "system_calls.h"
#include "winerror.h"

namespace platform::storage {
namespace {

// The attribute that the probe asks for: any name in the user namespace tells whether the file
// system keeps such attributes at all.
constexpr const char* kProbeName = "user.DosStream.\005SummaryInformation:$DATA";

HRESULT OpenError(int error) {
    switch (error) {
        case ENOENT: return STG_E_FILENOTFOUND;
        case ENOTDIR: return STG_E_PATHNOTFOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ENXIO: return STG_E_ACCESSDENIED;
        default: return HRESULT_FROM_WIN32(Win32ErrorFromErrno(error));
    }
}

HRESULT AttributeError(int error, bool writing) {
    switch (error) {
        case ENOTSUP: return HRESULT_FROM_WIN32(ERROR_EAS_NOT_SUPPORTED);
        // A value too large for the file system's attribute space counts as a full medium.
        case ENOSPC:
        case EDQUOT:
        case E2BIG: return STG_E_MEDIUMFULL;
        case EACCES:
        case EPERM:
        case EROFS: return STG_E_ACCESSDENIED;
        case EIO: return writing ? STG_E_WRITEFAULT : STG_E_READFAULT;
        case ENOMEM: return STG_E_INSUFFICIENTMEMORY;
        default: return HRESULT_FROM_WIN32(Win32ErrorFromErrno(error));
    }
}

DWORD ShareModeOf(DWORD grfMode) {
    switch (grfMode & 0x70) {
        case STGM_SHARE_EXCLUSIVE: return 0;
        case STGM_SHARE_DENY_WRITE: return FILE_SHARE_READ;
        case STGM_SHARE_DENY_READ: return FILE_SHARE_WRITE;
        default: return FILE_SHARE_READ | FILE_SHARE_WRITE;  // STGM_SHARE_DENY_NONE, or no sharing flag
    }
}

}  // namespace

HRESULT AttributeFile::Open(const std::string& path, DWORD grfMode, std::shared_ptr<AttributeFile>& file) {
    // Readable in every mode: the share locks' delete guard is a read lock.
    const bool writable = (grfMode & (STGM_WRITE | STGM_READWRITE)) != 0;
    const int fd = sys::Open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return OpenError(errno);
    std::unique_ptr<AttributeFile> opened(new (std::nothrow) AttributeFile(fd, writable));
    if (!opened) {
        ::close(fd);
        return STG_E_INSUFFICIENTMEMORY;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) return OpenError(errno);
    if (!S_ISREG(st.st_mode)) return STG_E_ACCESSDENIED;  // a folder, a device or a pipe has no such sets

    if (const DWORD error = kernel::TakeShareLocks(fd, ShareModeOf(grfMode), true); error != 0)
        return error == ERROR_SHARING_VIOLATION ? STG_E_SHAREVIOLATION : HRESULT_FROM_WIN32(error);

    // The probe: a file system without user attributes fails here, before anyone relies on it.
    if (sys::Fgetxattr(fd, kProbeName, nullptr, 0) < 0 && errno != ENODATA) return AttributeError(errno, false);

    file.reset(opened.release());
    return S_OK;
}

AttributeFile::~AttributeFile() { ::close(fd_); }

HRESULT AttributeFile::Get(const char* name, std::optional<std::vector<std::uint8_t>>& value) const {
    value.reset();
    // The value can change size between asking and reading (another process writes it): ask again.
    for (;;) {
        const ssize_t size = sys::Fgetxattr(fd_, name, nullptr, 0);
        if (size < 0) return errno == ENODATA ? S_OK : AttributeError(errno, false);
        // One byte more than asked: a buffer of 0 bytes would only ask for the size again.
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size) + 1);
        const ssize_t read = sys::Fgetxattr(fd_, name, bytes.data(), bytes.size());
        if (read < 0 && errno == ERANGE) continue;
        if (read < 0) return errno == ENODATA ? S_OK : AttributeError(errno, false);
        bytes.resize(static_cast<std::size_t>(read));
        value = std::move(bytes);
        return S_OK;
    }
}

HRESULT AttributeFile::Set(const char* name, std::span<const std::uint8_t> value) {
    if (sys::Fsetxattr(fd_, name, value.data(), value.size()) != 0) return AttributeError(errno, true);
    return S_OK;
}

HRESULT AttributeFile::Remove(const char* name) {
    if (sys::Fremovexattr(fd_, name) != 0 && errno != ENODATA) return AttributeError(errno, true);
    return S_OK;
}

}  // namespace platform::storage
