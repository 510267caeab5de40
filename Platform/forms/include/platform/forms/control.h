#pragma once
// The base of every hosted control: name, place in its container, size in twips, enabled and visible
// states, background colour, tool tip and keyboard settings.
//
// Controls live in a Form (the surface of the ActiveX control that hosts them) and are created by their
// container (Container::Add), which owns them for the life of the form. Everything runs on the one
// user-interface thread; nothing is locked.
//
// Two kinds of call reach a control:
//   - code (the hosting control's property accessors): plain setters, and HRESULT setters for the
//     properties whose values can be refused. A refused value leaves the control unchanged, sets the COM
//     error information (description and source) and returns the error;
//   - a person's gestures (click, type, choose, ...): they return whether the gesture reached the
//     control. A person cannot reach a control that is not effectively enabled or not shown (hidden, or on
//     a page of a tab dialog that is not the current one): such a gesture does nothing and returns false.
#include <string>
#include <string_view>

#include "windef.h"

namespace platform::forms {

// 0x00BBGGRR, or a system colour when the high bit is set (OLE_COLOR).
using OleColor = DWORD;
inline constexpr OleColor kColorWindowBackground = 0x80000005;  // COLOR_WINDOW
inline constexpr OleColor kColorButtonFace = 0x8000000F;        // COLOR_BTNFACE
inline constexpr OleColor kColorWindowText = 0x80000008;        // COLOR_WINDOWTEXT

enum class ControlKind {
    Form,
    Frame,
    Label,
    TextBox,
    ComboBox,
    ListBox,
    CheckBox,
    OptionButton,
    CommandButton,
    TabDialog,
    TabPage,
    DatePicker,
};

class Container;
class Form;
class TabPage;

class Control {
public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    ControlKind Kind() const { return kind_; }
    const std::u16string& Name() const { return name_; }
    // What this control lies in (a container, or for a page its tab dialog; null for the form itself),
    // and the form it belongs to.
    Control* Parent() const { return parent_; }
    Form* OwnerForm() const;

    // Position and size in twips, relative to the container (a tab dialog's pages share the dialog's
    // origin). A negative width or height is refused with "Invalid property value".
    LONG Left() const { return left_; }
    LONG Top() const { return top_; }
    LONG Width() const { return width_; }
    LONG Height() const { return height_; }
    void SetLeft(LONG left) { left_ = left; }
    void SetTop(LONG top) { top_ = top; }
    HRESULT SetWidth(LONG width);
    HRESULT SetHeight(LONG height);
    HRESULT Move(LONG left, LONG top, LONG width, LONG height);

    // The control's own settings. A disabled or hidden container makes its children unusable without
    // changing their own settings; the Effectively* states include the containers.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool EffectivelyEnabled() const;
    // Visible, and every container up to the form visible. A page of a tab dialog that is not the current
    // one does not hide its controls here: the tab dialog only moves them out of sight, and they stay in
    // the keyboard order.
    bool EffectivelyVisible() const;
    // Effectively visible and on the current page of every tab dialog it lies in: what a person sees.
    bool Shown() const;
    // What a person's gesture needs: effectively enabled and shown.
    bool Reachable() const { return EffectivelyEnabled() && Shown(); }

    OleColor BackColor() const { return backColor_; }
    void SetBackColor(OleColor color) { backColor_ = color; }
    const std::u16string& ToolTipText() const { return toolTip_; }
    void SetToolTipText(std::u16string_view text) { toolTip_ = text; }

    // Keyboard settings. Every control of a form except the form and the tab dialog's pages has a place in
    // the form's one TabIndex sequence (0..n-1, no gaps); the others answer -1. Assigning an index moves
    // the control to that place and renumbers the rest; an index past the end puts it last; a negative one
    // is refused with "Invalid property value". Labels and frames have an index but never take the focus.
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
    SHORT TabIndex() const;
    HRESULT SetTabIndex(SHORT index);
    bool InTabOrder() const { return kind_ != ControlKind::Form && kind_ != ControlKind::TabPage; }
    // Whether this kind of control can hold the focus at all.
    bool CanTakeFocus() const;
    // Whether Tab may move the focus here: it can take the focus, is a tab stop, and is effectively enabled
    // and visible.
    bool IsTabTarget() const;
    bool Focused() const;

protected:
    // Only a container creates controls (Container::Add): the key proves it.
    class CreationKey {
        friend class Container;
        friend class Form;
        friend class TabDialog;
        CreationKey() = default;
    };
    Control(CreationKey, ControlKind kind, std::u16string name);

    // Refuses a value: sets the error information for this control and returns hr.
    HRESULT Refuse(HRESULT hr) const;
    // For a person's click on a control that takes the focus.
    void TakeFocusFromPerson();

private:
    friend class Container;
    friend class Form;
    friend class TabDialog;

    ControlKind kind_;
    std::u16string name_;
    Control* parent_ = nullptr;
    LONG left_ = 0;
    LONG top_ = 0;
    LONG width_ = 0;
    LONG height_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    OleColor backColor_ = kColorButtonFace;
    std::u16string toolTip_;
    bool tabStop_ = true;
    SHORT tabIndex_ = -1;
};

}  // namespace platform::forms
