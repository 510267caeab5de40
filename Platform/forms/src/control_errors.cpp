#include "control_errors.h"

#include "platform/error_info.h"

namespace platform::forms {

HRESULT ReportControlError(HRESULT hr, std::u16string_view source) {
    // Spelled out: RaiseError(hr, source) would take the source for the description.
    return platform::com::RaiseError(hr, platform::com::ErrorDescription(hr), source);
}

}  // namespace platform::forms
