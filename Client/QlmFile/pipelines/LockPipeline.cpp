#include "LockPipeline.h"

#include "winerror.h"

namespace qlmfile {

// Not built yet: the container, the keys and the progress dialog come first.
HRESULT LockPipeline(LPCWSTR) { return E_NOTIMPL; }

}  // namespace qlmfile
