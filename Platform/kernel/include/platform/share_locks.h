#pragma once
// The share-mode locks of CreateFileW, for other platform libraries that open a file of their own and
// must conflict with CreateFileW's opens exactly as another CreateFileW would (StgOpenStorageEx).
//
// Reading and writing: flock on the open's own descriptor. An open that shares both takes a shared
// lock, every other one an exclusive lock (stricter than Windows for opens that share only one of the
// two, never more lenient). Deleting: an open without FILE_SHARE_DELETE holds a read lock of its own
// description (an OFD lock) on one byte far past any real data; a delete or rename looks for it.
// The locks live as long as the descriptor's open file description.
#include "windef.h"

namespace platform::kernel {

// Takes the locks of an open with dwShareMode on fd; ERROR_SHARING_VIOLATION when another open
// conflicts. The delete guard needs fd open for reading and is skipped otherwise.
DWORD TakeShareLocks(int fd, DWORD shareMode, bool readable);

}  // namespace platform::kernel
