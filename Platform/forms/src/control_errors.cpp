#include "control_errors.h"

namespace platform::forms {

// The error information is set once the automation runtime's RaiseError is in the platform; until then a
// refused value travels as its HRESULT alone.
HRESULT ReportControlError(HRESULT hr, std::u16string_view source) {
    (void)source;
    return hr;
}

}  // namespace platform::forms
