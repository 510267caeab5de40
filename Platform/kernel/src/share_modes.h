#pragma once
// Share modes between opens of one file, in this process and across processes.
//
// Reading and writing: flock on the open's own descriptor. An open that shares both takes a shared
// lock, every other one an exclusive lock (stricter than Windows for opens that share only one of the
// two, never more lenient). Deleting: an open without FILE_SHARE_DELETE holds a read lock of its own
// description (an OFD lock) on one byte far past any real data; a delete or rename looks for it.
#include <string>

#include "windef.h"

namespace platform::kernel {

// Takes the locks of an open with dwShareMode on fd; ERROR_SHARING_VIOLATION when another open
// conflicts. The delete guard needs fd open for reading and is skipped otherwise.
DWORD TakeShareLocks(int fd, DWORD shareMode, bool readable);

// ERROR_SHARING_VIOLATION when an open without FILE_SHARE_DELETE holds the regular file at path,
// else 0 (also when path cannot be looked at: the delete or rename itself then reports why).
DWORD CheckDeleteSharing(const std::string& path);

}  // namespace platform::kernel
