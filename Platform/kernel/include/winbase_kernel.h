#pragma once
// The kernel's part of winbase.h: moving files.
#include "windef.h"

#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_COPY_ALLOWED 0x00000002u
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004u
#define MOVEFILE_WRITE_THROUGH 0x00000008u

extern "C" {
// A rename within one file system. Without MOVEFILE_REPLACE_EXISTING an existing target fails with
// ERROR_ALREADY_EXISTS. MOVEFILE_WRITE_THROUGH makes the file's data and both folders durable before
// it returns. Across file systems: ERROR_NOT_SAME_DEVICE (no copy is made, also with
// MOVEFILE_COPY_ALLOWED). MOVEFILE_DELAY_UNTIL_REBOOT is not supported (ERROR_INVALID_PARAMETER).
// A file held open without FILE_SHARE_DELETE, as source or as target, fails with ERROR_SHARING_VIOLATION.
BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);
}
