#pragma once
// Threads of this process.
#include "windef.h"

extern "C" {
// The system's id of the calling thread (its Linux thread id): unique among running threads.
DWORD WINAPI GetCurrentThreadId();
}
