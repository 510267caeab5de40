// Reading, writing and positioning on an open file handle.
#include <cstdint>
#include <limits>

#include "errhandlingapi.h"
#include "file_object.h"
#include "fileapi.h"
#include "handle_table.h"
#include "platform/fault_injection.h"
#include "winerror.h"

namespace {

using platform::kernel::File;
using platform::kernel::FindOrFail;

BOOL Result(DWORD error) {
    if (error == 0) return TRUE;
    SetLastError(error);
    return FALSE;
}

}  // namespace

extern "C" {

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
    if (platform::fault::Fail("ReadFile")) return FALSE;
    if (lpOverlapped != nullptr) return Result(ERROR_INVALID_PARAMETER);
    const auto file = FindOrFail<File>(hFile);
    if (file == nullptr) return FALSE;
    if (lpBuffer == nullptr && nNumberOfBytesToRead != 0) return Result(ERROR_NOACCESS);
    DWORD done = 0;
    const DWORD error = file->Read(lpBuffer, nNumberOfBytesToRead, done);
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = done;
    return Result(error);
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
    if (platform::fault::Fail("WriteFile")) return FALSE;
    if (lpOverlapped != nullptr) return Result(ERROR_INVALID_PARAMETER);
    const auto file = FindOrFail<File>(hFile);
    if (file == nullptr) return FALSE;
    if (lpBuffer == nullptr && nNumberOfBytesToWrite != 0) return Result(ERROR_NOACCESS);
    DWORD done = 0;
    const DWORD error = file->Write(lpBuffer, nNumberOfBytesToWrite, done);
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = done;
    return Result(error);
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    if (platform::fault::Fail("SetFilePointer")) return INVALID_SET_FILE_POINTER;
    const auto file = FindOrFail<File>(hFile);
    if (file == nullptr) return INVALID_SET_FILE_POINTER;
    // With the high part the two halves make one signed 64-bit distance; without it the distance is
    // the signed 32-bit value and the position must stay within 32 bits.
    std::int64_t distance = lDistanceToMove;
    std::uint64_t limit = std::numeric_limits<DWORD>::max();
    if (lpDistanceToMoveHigh != nullptr) {
        distance = static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<DWORD>(*lpDistanceToMoveHigh)) << 32) |
                                             static_cast<DWORD>(lDistanceToMove));
        limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    }
    std::uint64_t position = 0;
    if (const DWORD error = file->Seek(distance, dwMoveMethod, limit, position); error != 0) {
        SetLastError(error);
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh != nullptr) *lpDistanceToMoveHigh = static_cast<LONG>(position >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                             DWORD dwMoveMethod) {
    if (platform::fault::Fail("SetFilePointerEx")) return FALSE;
    const auto file = FindOrFail<File>(hFile);
    if (file == nullptr) return FALSE;
    std::uint64_t position = 0;
    const DWORD error = file->Seek(liDistanceToMove.QuadPart, dwMoveMethod,
                                   static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()), position);
    if (error == 0 && lpNewFilePointer != nullptr) lpNewFilePointer->QuadPart = static_cast<LONGLONG>(position);
    return Result(error);
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    if (platform::fault::Fail("GetFileSize")) return INVALID_FILE_SIZE;
    const auto file = FindOrFail<File>(hFile);
    if (file == nullptr) return INVALID_FILE_SIZE;
    std::uint64_t size = 0;
    if (const DWORD error = file->Size(size); error != 0) {
        SetLastError(error);
        return INVALID_FILE_SIZE;
    }
    if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    if (platform::fault::Fail("GetFileSizeEx")) return FALSE;
    const auto file = FindOrFail<File>(hFile);
    if (file == nullptr) return FALSE;
    if (lpFileSize == nullptr) return Result(ERROR_NOACCESS);
    std::uint64_t size = 0;
    const DWORD error = file->Size(size);
    if (error == 0) lpFileSize->QuadPart = static_cast<LONGLONG>(size);
    return Result(error);
}

BOOL WINAPI SetEndOfFile(HANDLE hFile) {
    if (platform::fault::Fail("SetEndOfFile")) return FALSE;
    const auto file = FindOrFail<File>(hFile);
    return file != nullptr && Result(file->SetEnd());
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    if (platform::fault::Fail("FlushFileBuffers")) return FALSE;
    const auto file = FindOrFail<File>(hFile);
    return file != nullptr && Result(file->Flush());
}

}  // extern "C"
