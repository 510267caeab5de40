#pragma once
// SHCreateThread: a detached thread, optionally with COM initialised on it.
#include "windef.h"

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);

#define CTF_INSIST 0x00000001
#define CTF_THREAD_REF 0x00000002
#define CTF_PROCESS_REF 0x00000004
#define CTF_COINIT_STA 0x00000008
#define CTF_COINIT CTF_COINIT_STA
#define CTF_FREELIBANDEXIT 0x00000010
#define CTF_REF_COUNTED 0x00000020
#define CTF_WAIT_ALLOWCOM 0x00000040

extern "C" {
// Runs pfnCallback (if any) on the new thread, waits for it to return, and then lets pfnThreadProc
// run on; nobody waits for the thread, and the process may end while it runs.
// CTF_COINIT: CoInitialize before the callback, CoUninitialize after the thread procedure.
// CTF_INSIST: when no thread can be started, pfnThreadProc runs on the calling thread instead.
// CTF_REF_COUNTED, CTF_THREAD_REF, CTF_PROCESS_REF: accepted. On Windows they keep the process (or
// the creating thread's host) alive while the thread runs; here a process ends when its main
// returns, as a Windows program does when its entry returns, so they change nothing.
BOOL WINAPI SHCreateThread(LPTHREAD_START_ROUTINE pfnThreadProc, void* pData, DWORD flags,
                           LPTHREAD_START_ROUTINE pfnCallback);
}
