#pragma once
#include "windef.h"

namespace qlmfile {

// Writes text (8-bit, already in the thread's ANSI code page) as the Comments property of the Summary
// Information of the file at path, replacing any such set the file had. COM is initialised on the
// calling thread, and the file must not be open elsewhere. Returns the status of the first step that
// failed, or Commit's; lock ignores it.
HRESULT StampComments(LPCWSTR path, LPCSTR text);

}  // namespace qlmfile
