#pragma once
// The system calls underneath the property sets, each with its fault point "sys:<name>", so that a
// test can make the system call itself fail with an errno value: a file system without extended
// attributes ("sys:fgetxattr" / "sys:fsetxattr" with ENOTSUP), a full one ("sys:fsetxattr" with ENOSPC).
//
// Points: sys:open, sys:fgetxattr, sys:fsetxattr, sys:fremovexattr.
#include <sys/types.h>

namespace platform::storage::sys {

int Open(const char* path, int flags);
ssize_t Fgetxattr(int fd, const char* name, void* value, size_t size);
int Fsetxattr(int fd, const char* name, const void* value, size_t size);
int Fremovexattr(int fd, const char* name);

}  // namespace platform::storage::sys
