// The rules of the time window, the notification and the proxy panels. Each runs on every change of its
// governing child, whoever makes it: a person, the host through a property, or a load.
#include "SettingsForm.h"

namespace qlmcontrol {

using platform::forms::CheckBox;
using platform::forms::DatePicker;
using platform::forms::kChecked;
using platform::forms::kUnchecked;

void SettingsForm::EndSwitched(const CheckBox& box, DatePicker& datePicker, DatePicker& timePicker) {
    const bool on = box.Value() == kChecked;
    datePicker.SetEnabled(on);
    timePicker.SetEnabled(on);
}

// A person's edit of a date switches its end on, then, when the window is inverted, pulls the edited end
// back to the other end if that end is in force, or otherwise pushes the other end along. A correction is
// code's assignment: the picker raises no change for it, so it switches no end on.
void SettingsForm::DateEdited(CheckBox& editedBox, DatePicker& edited, const CheckBox& otherBox, DatePicker& other) {
    if (FAILED(editedBox.SetValue(kChecked))) return;
    const bool inverted = DTPickerNotAfter.Value() < DTPickerNotBefore.Value();
    if (!inverted) return;
    if (otherBox.Value() == kChecked)
        (void)edited.SetValue(other.Value());
    else if (otherBox.Value() == kUnchecked)
        (void)other.SetValue(edited.Value());
}

void SettingsForm::NotificationSwitched() {
    const bool on = RRCheck.Value() == kChecked;
    ReferenceLabel.SetEnabled(on);
    Reference.SetEnabled(on);
    Reference.SetBackColor(on ? kWindowBackground : kDisabledGrey);
}

// Only the server text chooses the custom setting: a port alone is no proxy.
void SettingsForm::ProxyServerChanged() { OptionCustom.SetValue(true); }

}  // namespace qlmcontrol
