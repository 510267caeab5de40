#pragma once
// Kernel handles: files and events share one handle table, and CloseHandle closes either.
#include "windef.h"

extern "C" {
// Closes a file or an event. A handle that is not open (never was, or already closed) fails with
// ERROR_INVALID_HANDLE. Closing a file handle first writes out what it still buffers; if that fails,
// CloseHandle returns FALSE with the write's error, and the handle is closed all the same.
BOOL WINAPI CloseHandle(HANDLE hObject);
}
