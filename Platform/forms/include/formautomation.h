#pragma once
// IFormAutomation: lets a host act as a person on a control's hosted form and see what a person sees.
//
// A real host delivers mouse and keyboard input through windows; on this platform a control that hosts a
// form (platform/forms) answers this interface instead, so that a host program or a test can click, type,
// choose and press Tab as a person would, and read the current page back as text. It is a plain IUnknown
// interface, not dispatchable: hosts call it through its vtable.
//
// Strings are BSTRs; a null BSTR reads as the empty string. Names of controls are exact (case-sensitive);
// gesture names are compared without regard to ASCII case.
//
// Present(text)
//   *text receives a new BSTR (the caller frees it): the form's controls and those of the current page of
//   each tab dialog, one line per control, in keyboard (TabIndex) order, each container's controls indented
//   below it, as platform/forms/presentation.h describes:
//       <indent><kind> <Name> <caption or value>[ disabled][ hidden][ focus]
//   Lines end in "\n". E_POINTER for a null text.
//
// Perform(control, gesture, argument)
//   The gesture, on the control of that name:
//     click      a command button, check box or option button is clicked; a list box's item is clicked
//                (argument: the item, see below); a text box, combo box or date picker is clicked into
//                (it takes the focus); a tab dialog's tab is clicked (argument: the tab index)
//     dblclick   a list box is double-clicked on an item (argument: the item), or on the empty area below
//                the items (empty argument)
//     type       the keys of argument are typed at the end of a text box's or combo box's text, one
//                keystroke per character ("\b" is Backspace)
//     clear      a text box's or combo box's whole text is selected and deleted
//     choose     a combo box's list is opened and an item chosen (argument: the item)
//     clicktab   a tab dialog's tab is clicked (argument: the tab index, from 0)
//     editdate   a date picker's value is edited to argument, a date text as VarDateFromStr reads it
//                ("2008-07-18", "7/18/2008 1:45 PM", ...)
//     focus      the control is given the focus, as a click into it does
//     presstab   Tab, shifttab Shift+Tab, ctrltab Ctrl+Tab, ctrlshifttab Ctrl+Shift+Tab: the keyboard of the
//                form; control and argument are not used (they may be empty)
//   An item argument is a decimal index (from 0) or, when it is no number, the exact text of the first
//   item that has it.
//   Results: S_OK when the gesture was performed; S_FALSE when a person could not reach the control (it is
//   disabled, hidden or on a page that is not shown; for ctrltab, the focus is in no enabled tab dialog) and
//   nothing happened; E_INVALIDARG, with a description in the error information, for an unknown control or
//   gesture, a gesture that this kind of control does not take, or an argument that names nothing (no such
//   item or tab, a text that is no index or date).
//
// Focused(control)
//   *control receives a new BSTR: the name of the control that has the focus, or the empty string. E_POINTER
//   for a null control.
#include "oaidl.h"

// {075DAC7A-FE10-49C7-AA96-3FED4441C4F6}
inline constexpr IID IID_IFormAutomation = {
    0x075DAC7A, 0xFE10, 0x49C7, {0xAA, 0x96, 0x3F, 0xED, 0x44, 0x41, 0xC4, 0xF6}};

interface IFormAutomation : public IUnknown {
    STDMETHOD(Present)(BSTR* text) PURE;
    STDMETHOD(Perform)(BSTR control, BSTR gesture, BSTR argument) PURE;
    STDMETHOD(Focused)(BSTR* control) PURE;
};
typedef IFormAutomation* LPFORMAUTOMATION;

QLM_DECLARE_INTERFACE(IFormAutomation, IID_IFormAutomation);
