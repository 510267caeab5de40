#include "platform/forms/check_box.h"

#include "control_errors.h"

namespace platform::forms {

HRESULT CheckBox::SetValue(SHORT value) {
    if (value != kUnchecked && value != kChecked && value != kGrayed) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    Assign(value);
    return S_OK;
}

bool CheckBox::ClickBox() {
    if (!Reachable()) return false;
    TakeFocusFromPerson();
    Assign(value_ == kUnchecked ? kChecked : kUnchecked);
    return true;
}

void CheckBox::Assign(SHORT value) {
    if (value == value_) return;
    value_ = value;
    Click.Raise();
}

}  // namespace platform::forms
