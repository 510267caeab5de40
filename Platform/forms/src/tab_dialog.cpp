#include "platform/forms/tab_dialog.h"

#include <algorithm>
#include <string>

#include "control_errors.h"

namespace platform::forms {

namespace {
std::u16string Numbered(std::u16string_view prefix, SHORT n) {
    std::u16string text(prefix);
    for (char digit : std::to_string(n)) text += static_cast<char16_t>(digit);
    return text;
}
}  // namespace

TabPage::TabPage(CreationKey key, TabDialog& dialog, SHORT index)
    : Container(key, ControlKind::TabPage, Numbered(u"Page", index)),
      dialog_(dialog),
      index_(index) {}

bool TabPage::IsCurrent() const { return dialog_.Tab() == index_; }

TabDialog::TabDialog(CreationKey key, std::u16string name, SHORT tabs)
    : Control(key, ControlKind::TabDialog, std::move(name)) {
    while (Tabs() < std::max<SHORT>(tabs, 1)) AppendPage();
}

void TabDialog::AppendPage() {
    const SHORT index = Tabs();
    pages_.push_back(std::make_unique<TabPage>(CreationKey{}, *this, index));
    pages_.back()->parent_ = this;
    captions_.push_back(Numbered(u"Tab ", index));
}

TabDialog::~TabDialog() = default;

HRESULT TabDialog::SetTabs(SHORT tabs) {
    if (tabs < 1) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    for (SHORT i = tabs; i < Tabs(); ++i)
        if (!Page(i).Children().empty()) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    while (Tabs() > tabs) {
        pages_.pop_back();
        captions_.pop_back();
    }
    while (Tabs() < tabs) AppendPage();
    if (tab_ >= tabs) ChangePage(static_cast<SHORT>(tabs - 1));
    return S_OK;
}

std::u16string TabDialog::TabCaption(SHORT index) const {
    if (index < 0 || index >= Tabs()) return {};
    return captions_[static_cast<std::size_t>(index)];
}

HRESULT TabDialog::SetTabCaption(SHORT index, std::u16string_view caption) {
    if (index < 0 || index >= Tabs()) return Refuse(CTL_E_INVALIDPROPERTYARRAYINDEX);
    captions_[static_cast<std::size_t>(index)] = caption;
    return S_OK;
}

HRESULT TabDialog::SetTab(SHORT index) {
    if (index < 0 || index >= Tabs()) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    ChangePage(index);
    return S_OK;
}

void TabDialog::ChangePage(SHORT index) {
    if (index == tab_) return;
    const SHORT previous = tab_;
    tab_ = index;
    Click.Raise(previous);
}

SHORT TabDialog::TabAt(float x, float y) const {
    if (y < 0 || y >= static_cast<float>(tabHeight_) || x < 0 || x >= static_cast<float>(Width())) return -1;
    const auto tab = static_cast<SHORT>(x * static_cast<float>(Tabs()) / static_cast<float>(Width()));
    return tab < Tabs() ? tab : static_cast<SHORT>(Tabs() - 1);
}

bool TabDialog::ClickAt(float x, float y, SHORT button, SHORT shift) {
    if (!Reachable()) return false;
    TakeFocusFromPerson();
    MouseDown.Raise(button, shift, x, y);
    // Read after MouseDown: its handler may have changed the tabs.
    const SHORT hit = TabAt(x, y);
    if (button == kLeftButton && hit >= 0) ChangePage(hit);
    MouseUp.Raise(button, shift, x, y);
    return true;
}

bool TabDialog::ClickTab(SHORT index, SHORT button, SHORT shift) {
    if (index < 0 || index >= Tabs()) return false;
    const float tabWidth = static_cast<float>(Width()) / static_cast<float>(Tabs());
    return ClickAt(tabWidth * (static_cast<float>(index) + 0.5f), static_cast<float>(tabHeight_) / 2, button, shift);
}

bool TabDialog::TurnPageByKeyboard(bool previous) {
    if (!EffectivelyEnabled() || !EffectivelyVisible()) return false;
    const SHORT count = Tabs();
    ChangePage(static_cast<SHORT>((tab_ + (previous ? count - 1 : 1)) % count));
    return true;
}

}  // namespace platform::forms
