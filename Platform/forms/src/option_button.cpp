#include "platform/forms/option_button.h"

#include "platform/forms/container.h"

namespace platform::forms {

void OptionButton::SetValue(bool value) {
    if (value == value_) return;
    if (!value) {
        value_ = false;
        return;
    }
    // The group is the option buttons placed directly in the same container. Deselecting raises nothing.
    if (auto* container = dynamic_cast<Container*>(Parent())) {
        for (OptionButton* other : container->ChildrenOfType<OptionButton>()) other->value_ = false;
    }
    value_ = true;
    Click.Raise();
}

bool OptionButton::ClickButton() {
    if (!Reachable()) return false;
    TakeFocusFromPerson();
    SetValue(true);
    return true;
}

}  // namespace platform::forms
