#pragma once
// Events, waits and Sleep.
//
// Events live in this process only: a named event (a non-empty lpName) is not supported and fails
// with ERROR_NOT_SUPPORTED.
#include "windef.h"

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_FAILED 0xFFFFFFFFu
// WAIT_TIMEOUT (258) is in winerror.h.

extern "C" {
// bManualReset FALSE: a wait that sees the event set releases one waiter and resets it.
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                           LPCWSTR lpName);
BOOL WINAPI SetEvent(HANDLE hEvent);
BOOL WINAPI ResetEvent(HANDLE hEvent);

// WAIT_OBJECT_0 when the object is signalled within dwMilliseconds (INFINITE: no limit), else
// WAIT_TIMEOUT; WAIT_FAILED with the last error set for a handle that is not open. A file handle is
// always signalled (its I/O is synchronous).
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// Sleep(0) gives up the rest of the time slice; Sleep(INFINITE) never returns.
void WINAPI Sleep(DWORD dwMilliseconds);
}
