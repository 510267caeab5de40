#pragma once
// A text presentation of a container (the form, a frame, a tab dialog's page), one line per control, for
// a host that shows the form as text and for tests. Lines are UTF-8, each ended by "\n":
//
//   <indent><kind> <Name> <content>[ <states>]
//
// - indent: two spaces per level of nesting below the presented container;
// - kind: form frame label textbox combobox listbox checkbox option button tabs page datepicker;
// - content: the caption, text or value as a person sees it: captions and texts in double quotes (a
//   password box shows its password character), a check box [ ] [x] [-], an option button ( ) (o), a
//   combo box its text then its items with the selected one marked ">", a list box its items likewise,
//   a tab dialog its captions with the current one in brackets, a date picker its value in its format;
// - states: "disabled" when not effectively enabled, "hidden" when not effectively visible, "focus" for
//   the focused control.
//
// The controls of a container are listed in TabIndex order, each container's controls below it. Of a tab
// dialog only the current page is listed (a person sees no other); present another page to see it.
#include <string>

namespace platform::forms {

class Control;
class Container;

std::string PresentControls(const Container& container);
// The one line of a control (without indent or line end).
std::string PresentControl(const Control& control);

}  // namespace platform::forms
