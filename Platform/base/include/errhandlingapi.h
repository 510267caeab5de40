#pragma once
// The last error: one value per thread, as on Windows.
#include "windef.h"

extern "C" {
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD dwErrCode);
}
