#pragma once
// The errors a hosted control refuses a value with, as a control's host expects them, and their report
// through the COM error information.
#include <string_view>

#include "winerror.h"

namespace platform::forms {

// Sets the error information (the error's description, and source) for hr; returns hr.
HRESULT ReportControlError(HRESULT hr, std::u16string_view source);

}  // namespace platform::forms
