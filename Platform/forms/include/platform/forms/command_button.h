#pragma once
// A command button: a caption and Click.
#include <string>
#include <string_view>

#include "platform/forms/control.h"
#include "platform/forms/event.h"

namespace platform::forms {

class CommandButton final : public Control {
public:
    CommandButton(CreationKey key, std::u16string name) : Control(key, ControlKind::CommandButton, std::move(name)) {}

    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string_view caption) { caption_ = caption; }

    // A person's click: the button takes the focus and raises Click.
    bool ClickButton();

    Event<> Click;

private:
    std::u16string caption_;
};

}  // namespace platform::forms
