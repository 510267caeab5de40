#include "platform/forms/text_box.h"

#include "control_errors.h"
#include "text_limits.h"

namespace platform::forms {

TextBox::TextBox(CreationKey key, std::u16string name) : Control(key, ControlKind::TextBox, std::move(name)) {
    SetBackColor(kColorWindowBackground);
}

void TextBox::SetText(std::u16string_view text) {
    const std::u16string_view kept = CutToLength(text, maxLength_);
    if (kept == text_) return;
    text_ = kept;
    Change.Raise();
}

HRESULT TextBox::SetMaxLength(LONG maxLength) {
    if (maxLength < 0) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    maxLength_ = maxLength;
    return S_OK;
}

HRESULT TextBox::SetPasswordChar(std::u16string_view passwordChar) {
    if (CharCount(passwordChar) > 1) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    passwordChar_ = passwordChar;
    return S_OK;
}

std::u16string TextBox::DisplayText() const {
    if (passwordChar_.empty()) return text_;
    std::u16string shown;
    for (std::size_t n = CharCount(text_); n > 0; --n) shown += passwordChar_;
    return shown;
}

}  // namespace platform::forms
