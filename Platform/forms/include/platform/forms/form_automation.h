#pragma once
// The three members of IFormAutomation (formautomation.h) over a form, so that a control hosting a form
// answers the interface by handing its form to these functions. Results and gestures are as
// formautomation.h describes them; refusals carry their description in the error information, with the
// form's error source.
#include <string_view>

#include "formautomation.h"

namespace platform::forms {

class Form;

// IFormAutomation::Present: the form as text (PresentControls), as a new BSTR.
HRESULT PresentForm(const Form& form, BSTR* text);

// IFormAutomation::Perform: a person's named gesture on the named control.
HRESULT PerformGesture(Form& form, std::u16string_view control, std::u16string_view gesture,
                       std::u16string_view argument);

// IFormAutomation::Focused: the focused control's name (empty when none), as a new BSTR.
HRESULT FocusedControlName(const Form& form, BSTR* control);

}  // namespace platform::forms
