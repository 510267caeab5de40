#pragma once
#include "windef.h"

namespace qlmfile {

// Restores the file that the container at `path` holds, beside it. 0 on success, and also when the
// user declines to overwrite, cancels, or the engine answers with success but without a key.
HRESULT UnlockPipeline(LPCWSTR path);

}  // namespace qlmfile
