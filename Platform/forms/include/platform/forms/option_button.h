#pragma once
// An option button. The option buttons placed directly in one container form a group: selecting one
// deselects the others of its container.
#include <string>
#include <string_view>

#include "platform/forms/control.h"
#include "platform/forms/event.h"

namespace platform::forms {

class OptionButton final : public Control {
public:
    OptionButton(CreationKey key, std::u16string name) : Control(key, ControlKind::OptionButton, std::move(name)) {}

    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string_view caption) { caption_ = caption; }

    bool Value() const { return value_; }
    // True selects this button (deselecting the others of its container) and raises Click when it was not
    // selected; false only deselects it, so that no button of the group may be selected, and raises
    // nothing.
    void SetValue(bool value);

    // A person's click: selects the button as SetValue(true) does.
    bool ClickButton();

    Event<> Click;

private:
    std::u16string caption_;
    bool value_ = false;
};

}  // namespace platform::forms
