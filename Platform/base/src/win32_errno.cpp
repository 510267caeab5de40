#include "platform/win32_errno.h"

#include <cerrno>

#include "errhandlingapi.h"
#include "winerror.h"

namespace platform {

DWORD Win32ErrorFromErrno(int error) {
    switch (error) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS: return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_FILE_EXISTS;
        case EBADF: return ERROR_INVALID_HANDLE;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case EFBIG: return ERROR_FILE_TOO_LARGE;
        case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case EXDEV: return ERROR_NOT_SAME_DEVICE;
        case EIO: return ERROR_IO_DEVICE;
        case ENOTSUP: return ERROR_NOT_SUPPORTED;
        case ENODATA: return ERROR_NOT_FOUND;
        case E2BIG:
        case ERANGE: return ERROR_INSUFFICIENT_BUFFER;
        case EBUSY:
        case ETXTBSY: return ERROR_BUSY;
        case ELOOP: return ERROR_BAD_PATHNAME;
        case EPIPE: return ERROR_BROKEN_PIPE;
        case ETIMEDOUT: return ERROR_TIMEOUT;
        case ESPIPE: return ERROR_SEEK;
        case EFAULT: return ERROR_NOACCESS;
        case ENOSYS: return ERROR_CALL_NOT_IMPLEMENTED;
        default: return ERROR_GEN_FAILURE;
    }
}

void SetLastErrorFromErrno() { SetLastError(Win32ErrorFromErrno(errno)); }
void SetLastErrorFromErrno(int error) { SetLastError(Win32ErrorFromErrno(error)); }

}  // namespace platform
