#pragma once
// How the pipelines' steps turn calls into statuses.
#include "crypto/CryptoSteps.h"
#include "winerror.h"

namespace qlmfile {

// The status of a Win32-shaped call: 0 when it succeeded, else its last error folded. A failure that
// left no last error folds to 0, and the run goes on with its next step as if the call had succeeded.
inline HRESULT Win32Status(BOOL succeeded) { return succeeded ? S_OK : crypto_steps::LastErrorStatus(); }

}  // namespace qlmfile

// Ends the step, and with it the run, with the status of `expression` when that is a failure.
#define QLM_RETURN_IF_FAILED(expression)          \
    do {                                          \
        const HRESULT qlmStatus_ = (expression);  \
        if (FAILED(qlmStatus_)) return qlmStatus_; \
    } while (0)
