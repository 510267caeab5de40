#pragma once
// Share modes between opens of one file, in this process and across processes: the locks that each
// open takes (platform/share_locks.h) and the check of a delete or rename against them.
#include <string>

#include "platform/share_locks.h"
#include "windef.h"

namespace platform::kernel {

// ERROR_SHARING_VIOLATION when an open without FILE_SHARE_DELETE holds the regular file at path,
// else 0 (also when path cannot be looked at: the delete or rename itself then reports why).
DWORD CheckDeleteSharing(const std::string& path);

}  // namespace platform::kernel
