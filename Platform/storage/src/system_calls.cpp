#include "system_calls.h"

#include <fcntl.h>
#include <sys/xattr.h>

#include <cerrno>

#include "platform/fault_injection.h"

namespace platform::storage::sys {
namespace {

// True, with errno set, when a test made this system call fail.
bool Injected(const char* point) {
    if (auto value = fault::Check(point)) {
        errno = static_cast<int>(*value);
        return true;
    }
    return false;
}

}  // namespace

int Open(const char* path, int flags) {
    if (Injected("sys:open")) return -1;
    int fd;
    do {
        fd = ::open(path, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t Fgetxattr(int fd, const char* name, void* value, size_t size) {
    if (Injected("sys:fgetxattr")) return -1;
    return ::fgetxattr(fd, name, value, size);
}

int Fsetxattr(int fd, const char* name, const void* value, size_t size) {
    if (Injected("sys:fsetxattr")) return -1;
    return ::fsetxattr(fd, name, value, size, 0);
}

int Fremovexattr(int fd, const char* name) {
    if (Injected("sys:fremovexattr")) return -1;
    return ::fremovexattr(fd, name);
}

}  // namespace platform::storage::sys
