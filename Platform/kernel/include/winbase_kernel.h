#pragma once
// The kernel's part of winbase.h: moving and replacing files.
#include "windef.h"

#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_COPY_ALLOWED 0x00000002u
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004u
#define MOVEFILE_WRITE_THROUGH 0x00000008u

#define REPLACEFILE_WRITE_THROUGH 0x00000001u
#define REPLACEFILE_IGNORE_MERGE_ERRORS 0x00000002u
#define REPLACEFILE_IGNORE_ACL_ERRORS 0x00000004u

extern "C" {
// A rename within one file system. Without MOVEFILE_REPLACE_EXISTING an existing target fails with
// ERROR_ALREADY_EXISTS. MOVEFILE_WRITE_THROUGH makes the file's data and both folders durable before
// it returns. Across file systems: ERROR_NOT_SAME_DEVICE (no copy is made, also with
// MOVEFILE_COPY_ALLOWED). MOVEFILE_DELAY_UNTIL_REBOOT is not supported (ERROR_INVALID_PARAMETER).
// A file held open without FILE_SHARE_DELETE, as source or as target, fails with ERROR_SHARING_VIOLATION.
BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);

// Moves the replacement over the replaced file, which must exist, and keeps the replaced file's
// access: the replacement gets its permission bits (and its owner and group where this process may
// set them) before the move. REPLACEFILE_WRITE_THROUGH makes it durable as MOVEFILE_WRITE_THROUGH
// does; REPLACEFILE_IGNORE_ACL_ERRORS goes on when the permissions cannot be set. No backup file:
// lpBackupFileName must be null. A failure reports the error of the step that failed (the sharing
// and rename errors of MoveFileExW); the replaced file is then unchanged.
BOOL WINAPI ReplaceFileW(LPCWSTR lpReplacedFileName, LPCWSTR lpReplacementFileName, LPCWSTR lpBackupFileName,
                         DWORD dwReplaceFlags, LPVOID lpExclude, LPVOID lpReserved);
}
