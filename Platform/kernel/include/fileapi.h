#pragma once
// Files: create and open with share modes, synchronous read and write, file pointer, size, end of
// file, flush, delete and temporary names.
//
// On this platform:
// - Paths are UTF-16, converted to UTF-8 for the system; "/" separates folders and "\" is an ordinary
//   file-name character. A path that has no UTF-8 form (an unpaired surrogate) fails with
//   ERROR_INVALID_NAME: no file of that name can exist here.
// - Share modes hold between opens of the same file in this process and in others (flock). An open that
//   shares both reading and writing takes a shared lock; every other open (sharing nothing, or only one
//   of the two) takes an exclusive lock. So a conflict that Windows reports is always reported; the one
//   difference is that two opens that each share only reading conflict here, where Windows lets two
//   such readers in. An open without FILE_SHARE_DELETE also keeps DeleteFileW and MoveFileExW off the
//   file (ERROR_SHARING_VIOLATION) until it is closed, where the file may be opened for reading. On a
//   file system without locks, share modes are not enforced.
// - A handle opened with FILE_FLAG_SEQUENTIAL_SCAN buffers inside the platform: reads are read ahead
//   and writes are held back, so that small calls cost no system call each. The held-back writes go
//   out when the buffer fills, on a move of the file pointer, SetEndOfFile, FlushFileBuffers, a read
//   after writes and CloseHandle; an error of that deferred write (a disk found full) is returned by
//   the call that wrote it out. GetFileSize counts the held-back bytes; other handles see them only
//   once they are written out. Other handles go straight to the system.
// - Growing a file with SetEndOfFile leaves a sparse tail: no space is reserved, so a full disk shows
//   at the writes into it.
// - Overlapped I/O and FILE_FLAG_DELETE_ON_CLOSE are not supported (ERROR_NOT_SUPPORTED);
//   FILE_FLAG_WRITE_THROUGH makes every write to the system (on a sequential handle: every write-out
//   of its buffer) reach the disk before it returns.
#include "windef.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100u

#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_OVERLAPPED 0x40000000u
#define FILE_FLAG_NO_BUFFERING 0x20000000u
#define FILE_FLAG_RANDOM_ACCESS 0x10000000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000u

#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u

#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu

typedef struct _OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    union {
        struct {
            DWORD Offset;
            DWORD OffsetHigh;
        };
        PVOID Pointer;
    };
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

extern "C" {
// lpSecurityAttributes and hTemplateFile are ignored. Files are created with mode 0666 less the umask.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);

// Synchronous only: lpOverlapped must be null (ERROR_INVALID_PARAMETER otherwise). A read at or past
// the end of the file succeeds with 0 bytes; a read comes back short only at the end of the file.
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped);
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped);

// Returns the low part of the new position (and the high part through lpDistanceToMoveHigh). Without
// lpDistanceToMoveHigh the distance is a signed 32-bit value and a position past 32 bits fails with
// ERROR_INVALID_PARAMETER. Before the start: ERROR_NEGATIVE_SEEK. On success the last error is 0, so
// that a low part of INVALID_SET_FILE_POINTER can be told from a failure.
DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod);
BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                             DWORD dwMoveMethod);

// Returns the low part of the size (and the high part through lpFileSizeHigh). On success the last
// error is 0, so that a file of 0xFFFFFFFF bytes can be told from a failure.
DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize);

// Cuts or extends the file at the current position.
BOOL WINAPI SetEndOfFile(HANDLE hFile);
// Writes out what the handle buffers, then waits until the file's data reach the disk.
BOOL WINAPI FlushFileBuffers(HANDLE hFile);

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);

// uUnique 0: creates a new empty file "<path>/<first three characters of prefix><hex number>.TMP"
// and returns the number; otherwise only forms the name with the lower 16 bits of uUnique.
// lpTempFileName holds MAX_PATH characters; a longer name fails with ERROR_FILENAME_EXCED_RANGE.
UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName);
}
