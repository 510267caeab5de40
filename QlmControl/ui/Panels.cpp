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

// A person's edit of a date pulls the edited end back to the other end when that end is in force, and
// otherwise pushes the other end along. A correction is code's assignment: the picker raises no change
// for it, so it switches no end on.
void SettingsForm::NotAfterEdited() {
    if (FAILED(AfterCheck.SetValue(kChecked))) return;
    const bool inverted = DTPickerNotAfter.Value() < DTPickerNotBefore.Value();
    if (!inverted) return;
    if (BeforeCheck.Value() == kChecked)
        (void)DTPickerNotAfter.SetValue(DTPickerNotBefore.Value());
    else if (BeforeCheck.Value() == kUnchecked)
        (void)DTPickerNotBefore.SetValue(DTPickerNotAfter.Value());
}

void SettingsForm::NotBeforeEdited() {
    if (FAILED(BeforeCheck.SetValue(kChecked))) return;
    const bool inverted = DTPickerNotAfter.Value() < DTPickerNotBefore.Value();
    if (!inverted) return;
    if (AfterCheck.Value() == kUnchecked)
        (void)DTPickerNotAfter.SetValue(DTPickerNotBefore.Value());
    else if (AfterCheck.Value() == kChecked)
        (void)DTPickerNotBefore.SetValue(DTPickerNotAfter.Value());
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
