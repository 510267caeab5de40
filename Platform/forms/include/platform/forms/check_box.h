#pragma once
// A check box: Value 0 (unchecked), 1 (checked), 2 (greyed). Click on every real change of Value.
#include <string>
#include <string_view>

#include "platform/forms/control.h"
#include "platform/forms/event.h"

namespace platform::forms {

inline constexpr SHORT kUnchecked = 0;
inline constexpr SHORT kChecked = 1;
inline constexpr SHORT kGrayed = 2;

class CheckBox final : public Control {
public:
    CheckBox(CreationKey key, std::u16string name) : Control(key, ControlKind::CheckBox, std::move(name)) {}

    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string_view caption) { caption_ = caption; }

    SHORT Value() const { return value_; }
    // Any value but 0, 1, 2 is refused with "Invalid property value" (0x800A017C), the box unchanged.
    // A different value raises Click; the same value raises nothing.
    HRESULT SetValue(SHORT value);

    // A person's click: 0 becomes 1, 1 and 2 become 0; raises Click.
    bool ClickBox();

    Event<> Click;

private:
    void Assign(SHORT value);
    std::u16string caption_;
    SHORT value_ = kUnchecked;
};

}  // namespace platform::forms
