// The lists of the page "Main": the reader list (added to with Add, removed from by a double click, filled
// by the host with AddReader and read with GetReaders) and the login list with its has-password flags.
#include "ReaderAddresses.h"
#include "SettingsForm.h"

namespace qlmcontrol {

HRESULT SettingsForm::AddReader(std::u16string_view reader) { return ReaderList.AddItem(reader); }

std::u16string SettingsForm::GetReaders() const {
    std::u16string readers;
    for (SHORT i = 0; i < ReaderList.ListCount(); ++i) {
        if (i > 0) readers += u';';
        readers += ReaderList.List(i);
    }
    return readers;
}

HRESULT SettingsForm::AddUsername(std::u16string_view username, bool hasPassword) {
    const HRESULT hr = UserCombo.AddItem(username);
    if (FAILED(hr)) return hr;
    hasPwdList_.resize(static_cast<std::size_t>(UserCombo.ListCount()));
    hasPwdList_.back() = hasPassword;
    return S_OK;
}

void SettingsForm::AddButtonClicked() {
    const std::u16string typed = Readers.Text();
    if (typed.empty()) return;
    // The box is emptied first: what the checks refuse is gone with it, without a message.
    Readers.SetText(u"");
    std::vector<std::u16string> segments;
    if (FAILED(ParseSegments(typed, segments))) return;
    for (const std::u16string& segment : segments) {
        if (IsValidEmail(segment) && FAILED(ReaderList.AddItem(segment))) return;
    }
}

void SettingsForm::ReaderListDoubleClicked() {
    const SHORT selected = ReaderList.ListIndex();
    if (selected == -1) return;
    (void)ReaderList.RemoveItem(selected);
}

void SettingsForm::UserChosen() {
    const SHORT k = UserCombo.ListIndex();
    if (k < 0 || static_cast<std::size_t>(k) >= hasPwdList_.size()) return;
    if (hasPwdList_[static_cast<std::size_t>(k)]) {
        Password.SetText(kPasswordPlaceholder);
        (void)RMCheck.SetValue(platform::forms::kChecked);
    } else {
        Password.SetText(u"");
        (void)RMCheck.SetValue(platform::forms::kUnchecked);
    }
}

}  // namespace qlmcontrol
