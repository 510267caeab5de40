#pragma once
#include "windef.h"

namespace qlmfile {

// Locks the file at `path` into a .qlm container beside it. 0 on success, and also when the user
// declines to overwrite, cancels, or the engine answers with success but without keys.
HRESULT LockPipeline(LPCWSTR path);

}  // namespace qlmfile
