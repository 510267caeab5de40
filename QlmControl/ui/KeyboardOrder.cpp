// The keyboard order by page: the fourteen managed controls leave the order, and those of the current page
// come back at its front in a fixed sequence. The pages' other controls still exist, and Tab would
// otherwise reach them.
#include "SettingsForm.h"

namespace qlmcontrol {

HRESULT SettingsForm::ClearTabStops() {
    for (platform::forms::Control* managed : std::initializer_list<platform::forms::Control*>{
             &UserCombo, &Password, &RMCheck, &Readers, &AddButton, &BeforeCheck, &DTPickerNotBefore, &AfterCheck,
             &DTPickerNotAfter, &RRCheck, &OptionIE, &OptionCustom, &ProxyServer, &ProxyPort})
        managed->SetTabStop(false);
    return S_OK;
}

HRESULT SettingsForm::SetTabOrder(std::initializer_list<platform::forms::Control*> sequence) {
    SHORT position = 0;
    for (platform::forms::Control* control : sequence) {
        const HRESULT hr = control->SetTabIndex(position++);
        if (FAILED(hr)) return hr;
        control->SetTabStop(true);
    }
    return S_OK;
}

HRESULT SettingsForm::SetMainTabOrder() { return SetTabOrder({&UserCombo, &Password, &RMCheck, &Readers, &AddButton}); }

HRESULT SettingsForm::SetAdvancedTabOrder() {
    return SetTabOrder({&BeforeCheck, &DTPickerNotBefore, &AfterCheck, &DTPickerNotAfter, &RRCheck});
}

HRESULT SettingsForm::SetConfigurationTabOrder() {
    return SetTabOrder({&OptionIE, &OptionCustom, &ProxyServer, &ProxyPort});
}

// The button's release follows every change of page made with the mouse, so the page read here is the
// one current after the change. A page turned with the keyboard alone raises no mouse notification and
// keeps the previous page's order.
void SettingsForm::TabDialogMouseUp() {
    (void)ClearTabStops();
    switch (SSTab1.Tab()) {
    case 0: (void)SetMainTabOrder(); break;
    case 1: (void)SetAdvancedTabOrder(); break;
    case 2: (void)SetConfigurationTabOrder(); break;
    default: break;
    }
}

}  // namespace qlmcontrol
