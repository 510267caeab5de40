#include "control_errors.h"

namespace platform::forms {

HRESULT ReportControlError(HRESULT hr, std::u16string_view source) {
    (void)source;
    return hr;
}

}  // namespace platform::forms
