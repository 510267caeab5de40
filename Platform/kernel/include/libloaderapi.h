#pragma once
// Modules.
#include "windef.h"

extern "C" {
// hModule null: the running program. Otherwise the address where a module is mapped, as
// GetModuleHandleW gives it; anything else fails with ERROR_MOD_NOT_FOUND.
// A name that does not fit is cut to nSize - 1 characters and a NUL; the return is then nSize
// with the last error ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
}
