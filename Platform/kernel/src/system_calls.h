#pragma once
// The system calls underneath the kernel functions, each with its fault point "sys:<name>", so that a
// test can make the system call itself fail with an errno value: a disk found full by the write that
// empties a sequential handle's buffer ("sys:write" with ENOSPC), a failing fsync ("sys:fsync").
//
// Points: sys:open, sys:read (pread), sys:write (pwrite), sys:fsync, sys:ftruncate, sys:flock,
// sys:rename, sys:unlink.
#include <sys/types.h>

namespace platform::kernel::sys {

int Open(const char* path, int flags, mode_t mode = 0);
ssize_t Pread(int fd, void* data, size_t size, off_t offset);
ssize_t Pwrite(int fd, const void* data, size_t size, off_t offset);
int Fsync(int fd);
int Ftruncate(int fd, off_t length);
int Flock(int fd, int operation);
int Rename(const char* from, const char* to, bool replace);
int Unlink(const char* path);

// Pread and Pwrite until the whole size is done, the file ends (reading) or an error stops them.
// Return the bytes done; error is the errno value that stopped them, or 0.
size_t PreadFully(int fd, void* data, size_t size, off_t offset, int& error);
size_t PwriteFully(int fd, const void* data, size_t size, off_t offset, int& error);

}  // namespace platform::kernel::sys
