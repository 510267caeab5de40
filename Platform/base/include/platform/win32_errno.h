#pragma once
// The one table that maps POSIX errno values to Win32 errors for every platform call.
#include "windef.h"

namespace platform {

DWORD Win32ErrorFromErrno(int error);
// Sets the calling thread's last error from errno (or from the given errno value).
void SetLastErrorFromErrno();
void SetLastErrorFromErrno(int error);

}  // namespace platform
