#pragma once
// A label: a caption that never takes the focus.
#include <string>
#include <string_view>

#include "platform/forms/control.h"

namespace platform::forms {

class Label final : public Control {
public:
    Label(CreationKey key, std::u16string name) : Control(key, ControlKind::Label, std::move(name)) {}
    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string_view caption) { caption_ = caption; }

private:
    std::u16string caption_;
};

}  // namespace platform::forms
