#pragma once
// The form: the surface of an ActiveX control, holding its controls, their one TabIndex sequence, the
// focus and the keyboard.
#include <string>
#include <vector>

#include "platform/forms/container.h"

namespace platform::forms {

class TabDialog;

class Form final : public Container {
public:
    explicit Form(std::u16string name);
    ~Form() override;

    // Every control of the form in TabIndex order.
    const std::vector<Control*>& TabOrder() const { return tabOrder_; }
    // The first control of that name anywhere on the form, or null.
    Control* Find(std::u16string_view name) const;

    // The source named in the error information of a refused value (defaults to the form's name), so that
    // the control hosting this form can pass such an error to its host as it stands.
    const std::u16string& ErrorSource() const { return errorSource_; }
    void SetErrorSource(std::u16string_view source) { errorSource_ = source; }

    // The control that has the focus, or null. A control keeps the focus when it is disabled or hidden
    // afterwards; the next Tab starts from it.
    Control* FocusedControl() const { return focused_; }
    // Code's SetFocus: refused with "Invalid procedure call or argument" (0x800A0005) for a control that
    // cannot take the focus or is not effectively enabled and visible.
    HRESULT SetFocus(Control& control);

    // The keyboard, as a person uses it.
    // Tab / Shift+Tab: the next (previous) control in TabIndex order that has TabStop, can take the focus
    // and is effectively enabled and visible, wrapping around; controls on the hidden pages of a tab dialog
    // count. Returns the control that has the focus afterwards (unchanged when no control qualifies).
    Control* PressTab(bool shift = false);
    // Ctrl+Tab / Ctrl+Shift+Tab: the tab dialog that holds the focus (has it, or holds the focused
    // control on one of its pages) turns to its next (previous) page, wrapping around, and raises Click
    // but no mouse notification. Returns false when the focus is in no tab dialog or it is not enabled.
    bool PressCtrlTab(bool shift = false);

private:
    friend class Control;
    friend class Container;
    void Register(Control& control);
    void MoveInTabOrder(Control& control, SHORT index);
    void FocusFromPerson(Control& control) { focused_ = &control; }
    TabDialog* TabDialogHoldingFocus() const;

    std::vector<Control*> tabOrder_;
    Control* focused_ = nullptr;
    std::u16string errorSource_;
};

}  // namespace platform::forms
