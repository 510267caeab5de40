#include "UnlockPipeline.h"

#include "winerror.h"

namespace qlmfile {

// Not built yet: the container, the keys and the progress dialog come first.
HRESULT UnlockPipeline(LPCWSTR) { return E_NOTIMPL; }

}  // namespace qlmfile
