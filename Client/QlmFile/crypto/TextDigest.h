#pragma once
// SHA-1 of a text's 8-bit form.
#include "windows.h"

namespace qlmfile {

// Converts `text` to the thread's ANSI code page and writes the SHA-1 of those bytes (without
// terminator) into `buffer`, whose capacity the caller passes in *length; *length returns the
// digest's size (20). Works on a context of its own, released before returning. The folded last
// error of the first call that failed, else 0.
HRESULT HashTextSha1(LPCWSTR text, BYTE* buffer, DWORD* length);

}  // namespace qlmfile
