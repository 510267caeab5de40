#include "system_calls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/fault_injection.h"

namespace platform::kernel::sys {

int Open(const char* path, int flags, mode_t mode) {
    if (fault::FailSystemCall("sys:open")) return -1;
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t Pread(int fd, void* data, size_t size, off_t offset) {
    if (fault::FailSystemCall("sys:read")) return -1;
    return ::pread(fd, data, size, offset);
}

ssize_t Pwrite(int fd, const void* data, size_t size, off_t offset) {
    if (fault::FailSystemCall("sys:write")) return -1;
    return ::pwrite(fd, data, size, offset);
}

int Fsync(int fd) {
    if (fault::FailSystemCall("sys:fsync")) return -1;
    return ::fsync(fd);
}

int Ftruncate(int fd, off_t length) {
    if (fault::FailSystemCall("sys:ftruncate")) return -1;
    return ::ftruncate(fd, length);
}

int Flock(int fd, int operation) {
    if (fault::FailSystemCall("sys:flock")) return -1;
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result < 0 && errno == EINTR);
    return result;
}

int Rename(const char* from, const char* to, bool replace) {
    if (fault::FailSystemCall("sys:rename")) return -1;
    if (replace) return ::rename(from, to);
    // Refusing an existing target in the same step as the rename: nothing can slip in between.
    const int result = ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    if (result == 0 || (errno != EINVAL && errno != ENOSYS)) return result;
    // A file system without RENAME_NOREPLACE: look first, then rename.
    if (::access(to, F_OK) == 0 || errno != ENOENT) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}

int Unlink(const char* path) {
    if (fault::FailSystemCall("sys:unlink")) return -1;
    return ::unlink(path);
}

size_t PreadFully(int fd, void* data, size_t size, off_t offset, int& error) {
    size_t done = 0;
    error = 0;
    while (done < size) {
        const ssize_t n = Pread(fd, static_cast<char*>(data) + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t PwriteFully(int fd, const void* data, size_t size, off_t offset, int& error) {
    size_t done = 0;
    error = 0;
    while (done < size) {
        const ssize_t n =
            Pwrite(fd, static_cast<const char*>(data) + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        if (n == 0) {
            error = EIO;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace platform::kernel::sys
