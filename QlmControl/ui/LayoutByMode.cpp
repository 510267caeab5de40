// What the host's show and paint notifications do: selecting the remembered user, and the arrangement of
// mode 1, for opening protected content.
#include "SettingsForm.h"

namespace qlmcontrol {

HRESULT SettingsForm::Shown() {
    const std::u16string name = UserCombo.Text();
    if (name.empty() || UserCombo.ListCount() == 0) return S_OK;
    // Every item is visited: of several equal items, the last stays selected. Each selection runs the
    // choosing rule, which fills the password box and the remember box from the item's flag.
    for (SHORT i = 0; i < UserCombo.ListCount(); ++i) {
        if (UserCombo.List(i) != name) continue;
        const HRESULT hr = UserCombo.SetListIndex(i);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT SettingsForm::Painted() {
    if (mode_ != kModeOpenContent) return S_OK;
    // In this order; the time pickers go with their frame.
    Readers.SetEnabled(false);
    Readers.SetBackColor(kDisabledGrey);
    AddButton.SetEnabled(false);
    ReaderList.SetEnabled(false);
    ReaderList.SetBackColor(kDisabledGrey);
    ReadersFrame.SetEnabled(false);
    TimeFrame.SetEnabled(false);
    NotificationFrame.SetEnabled(false);
    BeforeCheck.SetEnabled(false);
    AfterCheck.SetEnabled(false);
    DTPickerNotBefore.SetEnabled(false);
    DTPickerNotAfter.SetEnabled(false);
    RRCheck.SetEnabled(false);
    ReferenceLabel.SetEnabled(false);
    Reference.SetEnabled(false);
    Reference.SetBackColor(kDisabledGrey);
    CheckShowPopUp.SetVisible(true);
    return S_OK;
}

}  // namespace qlmcontrol
