#include "platform/forms/command_button.h"

namespace platform::forms {

bool CommandButton::ClickButton() {
    if (!Reachable()) return false;
    TakeFocusFromPerson();
    Click.Raise();
    return true;
}

}  // namespace platform::forms
