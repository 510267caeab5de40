#include "platform/forms/form.h"

#include <algorithm>

#include "platform/forms/tab_dialog.h"
#include "winerror.h"

namespace platform::forms {

Form::Form(std::u16string name) : Container(CreationKey{}, ControlKind::Form, std::move(name)), errorSource_(Name()) {}

Form::~Form() = default;

Control* Form::Find(std::u16string_view name) const {
    for (Control* control : tabOrder_)
        if (control->Name() == name) return control;
    return nullptr;
}

void Form::Register(Control& control) {
    if (!control.InTabOrder()) return;
    control.tabIndex_ = static_cast<SHORT>(tabOrder_.size());
    tabOrder_.push_back(&control);
}

void Form::MoveInTabOrder(Control& control, SHORT index) {
    auto at = std::find(tabOrder_.begin(), tabOrder_.end(), &control);
    if (at == tabOrder_.end()) return;
    tabOrder_.erase(at);
    const auto place = std::min<std::size_t>(static_cast<std::size_t>(index), tabOrder_.size());
    tabOrder_.insert(tabOrder_.begin() + static_cast<std::ptrdiff_t>(place), &control);
    for (std::size_t i = 0; i < tabOrder_.size(); ++i) tabOrder_[i]->tabIndex_ = static_cast<SHORT>(i);
}

HRESULT Form::SetFocus(Control& control) {
    if (control.OwnerForm() != this || !control.CanTakeFocus() || !control.EffectivelyEnabled() ||
        !control.EffectivelyVisible())
        return control.Refuse(CTL_E_ILLEGALFUNCTIONCALL);
    focused_ = &control;
    return S_OK;
}

Control* Form::PressTab(bool shift) {
    const auto count = static_cast<std::ptrdiff_t>(tabOrder_.size());
    if (count == 0) return focused_;
    // Without a focus, Tab starts before the first control and Shift+Tab after the last.
    std::ptrdiff_t from = shift ? count : -1;
    if (focused_ != nullptr && focused_->InTabOrder()) from = focused_->tabIndex_;
    for (std::ptrdiff_t step = 1; step <= count; ++step) {
        const std::ptrdiff_t i = ((from + (shift ? -step : step)) % count + count) % count;
        if (tabOrder_[static_cast<std::size_t>(i)]->IsTabTarget()) {
            focused_ = tabOrder_[static_cast<std::size_t>(i)];
            break;
        }
    }
    return focused_;
}

TabDialog* Form::TabDialogHoldingFocus() const {
    for (Control* c = focused_; c != nullptr; c = c->Parent()) {
        if (c->Kind() == ControlKind::TabDialog) return static_cast<TabDialog*>(c);
        if (c->Kind() == ControlKind::TabPage) return &static_cast<TabPage*>(c)->Dialog();
    }
    return nullptr;
}

bool Form::PressCtrlTab(bool shift) {
    TabDialog* dialog = TabDialogHoldingFocus();
    return dialog != nullptr && dialog->TurnPageByKeyboard(shift);
}

}  // namespace platform::forms
