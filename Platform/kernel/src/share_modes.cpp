#include "share_modes.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "fileapi.h"
#include "platform/win32_errno.h"
#include "system_calls.h"
#include "winerror.h"

namespace platform::kernel {
namespace {

// The delete guard's byte: the last one a file could have, so no record lock on real data meets it.
constexpr off_t kDeleteGuard = std::numeric_limits<off_t>::max() - 1;

struct flock DeleteGuard(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kDeleteGuard;
    lock.l_len = 1;
    return lock;
}

}  // namespace

DWORD TakeShareLocks(int fd, DWORD shareMode, bool readable) {
    const bool sharesReadWrite = (shareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE)) == (FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (sys::Flock(fd, (sharesReadWrite ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return ERROR_SHARING_VIOLATION;
        // A file system without locks opens as it would have without share modes.
        if (errno != ENOLCK && errno != EINVAL && errno != EOPNOTSUPP) return Win32ErrorFromErrno(errno);
    }
    if ((shareMode & FILE_SHARE_DELETE) == 0 && readable) {
        // Only CheckDeleteSharing looks at the guard, and it only tests: a read lock never conflicts here.
        struct flock guard = DeleteGuard(F_RDLCK);
        ::fcntl(fd, F_OFD_SETLK, &guard);
    }
    return 0;
}

DWORD CheckDeleteSharing(const std::string& path) {
    // Closing this descriptor drops any classic record locks that the process holds on the file (a
    // database's): only a file about to be deleted or renamed is probed, never such a one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return 0;
    DWORD result = 0;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        struct flock guard = DeleteGuard(F_WRLCK);
        if (::fcntl(fd, F_OFD_GETLK, &guard) == 0 && guard.l_type != F_UNLCK) result = ERROR_SHARING_VIOLATION;
    }
    ::close(fd);
    return result;
}

}  // namespace platform::kernel
