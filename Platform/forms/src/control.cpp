#include "platform/forms/control.h"

#include "control_errors.h"
#include "platform/forms/form.h"
#include "platform/forms/tab_dialog.h"

namespace platform::forms {

Control::Control(CreationKey, ControlKind kind, std::u16string name) : kind_(kind), name_(std::move(name)) {}

Control::~Control() = default;

Form* Control::OwnerForm() const {
    const Control* top = this;
    while (top->parent_ != nullptr) top = top->parent_;
    return top->kind_ == ControlKind::Form ? static_cast<Form*>(const_cast<Control*>(top)) : nullptr;
}

HRESULT Control::SetWidth(LONG width) { return Move(left_, top_, width, height_); }

HRESULT Control::SetHeight(LONG height) { return Move(left_, top_, width_, height); }

HRESULT Control::Move(LONG left, LONG top, LONG width, LONG height) {
    if (width < 0 || height < 0) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    return S_OK;
}

bool Control::EffectivelyEnabled() const {
    for (const Control* c = this; c != nullptr; c = c->parent_)
        if (!c->enabled_) return false;
    return true;
}

bool Control::EffectivelyVisible() const {
    for (const Control* c = this; c != nullptr; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

bool Control::Shown() const {
    for (const Control* c = this; c != nullptr; c = c->parent_) {
        if (!c->visible_) return false;
        if (c->kind_ == ControlKind::TabPage && !static_cast<const TabPage*>(c)->IsCurrent()) return false;
    }
    return true;
}

SHORT Control::TabIndex() const { return tabIndex_; }

HRESULT Control::SetTabIndex(SHORT index) {
    Form* form = OwnerForm();
    if (!InTabOrder() || form == nullptr) return Refuse(CTL_E_ILLEGALFUNCTIONCALL);
    if (index < 0) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    form->MoveInTabOrder(*this, index);
    return S_OK;
}

bool Control::CanTakeFocus() const {
    switch (kind_) {
    case ControlKind::Form:
    case ControlKind::TabPage:
    case ControlKind::Frame:
    case ControlKind::Label:
        return false;
    default:
        return true;
    }
}

bool Control::IsTabTarget() const { return CanTakeFocus() && tabStop_ && EffectivelyEnabled() && EffectivelyVisible(); }

bool Control::Focused() const {
    const Form* form = OwnerForm();
    return form != nullptr && form->FocusedControl() == this;
}

HRESULT Control::Refuse(HRESULT hr) const {
    const Form* form = OwnerForm();
    return ReportControlError(hr, form != nullptr ? std::u16string_view(form->ErrorSource()) : std::u16string_view(name_));
}

void Control::TakeFocusFromPerson() {
    if (!CanTakeFocus()) return;
    if (Form* form = OwnerForm()) form->FocusFromPerson(*this);
}

}  // namespace platform::forms
