#pragma once
// The children of the QlmUI control as its layout places them.
#include <memory>

#include "platform/forms/form.h"

namespace qlmcontrol {

// The form with every child created on its page or in its frame, with its caption, position, size and
// tool tip, in the order of the initial keyboard indexes. Initial values and states are the form's to set.
std::unique_ptr<platform::forms::Form> BuildSurface();

}  // namespace qlmcontrol
