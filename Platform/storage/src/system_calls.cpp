#include "system_calls.h"

#include <fcntl.h>
#include <sys/xattr.h>

#include <cerrno>

#include "platform/fault_injection.h"

namespace platform::storage::sys {

int Open(const char* path, int flags) {
    if (fault::FailSystemCall("sys:open")) return -1;
    int fd;
    do {
        fd = ::open(path, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t Fgetxattr(int fd, const char* name, void* value, size_t size) {
    if (fault::FailSystemCall("sys:fgetxattr")) return -1;
    return ::fgetxattr(fd, name, value, size);
}

int Fsetxattr(int fd, const char* name, const void* value, size_t size) {
    if (fault::FailSystemCall("sys:fsetxattr")) return -1;
    return ::fsetxattr(fd, name, value, size, 0);
}

int Fremovexattr(int fd, const char* name) {
    if (fault::FailSystemCall("sys:fremovexattr")) return -1;
    return ::fremovexattr(fd, name);
}

}  // namespace platform::storage::sys
