#pragma once
// A single-line text box: Text, MaxLength, PasswordChar, and Change on every real change of the text.
#include <string>
#include <string_view>

#include "platform/forms/control.h"
#include "platform/forms/event.h"
#include "platform/forms/text_entry.h"

namespace platform::forms {

class TextBox final : public Control, public TextEntry {
public:
    TextBox(CreationKey key, std::u16string name);

    const std::u16string& Text() const { return text_; }
    // Code's assignment. As the standard text box does, a text longer than MaxLength is cut to MaxLength
    // (never in the middle of a surrogate pair). Raises Change when the text differs from the one held.
    void SetText(std::u16string_view text);

    // 0 means no limit. Lowering the limit below the current text's length keeps the text; the limit holds
    // for what is typed or assigned from then on. A negative value is refused ("Invalid property value").
    LONG MaxLength() const { return maxLength_; }
    HRESULT SetMaxLength(LONG maxLength);

    // Empty, or the one character shown in place of each character of the text. Text keeps the real text.
    // More than one character is refused ("Invalid property value").
    const std::u16string& PasswordChar() const { return passwordChar_; }
    HRESULT SetPasswordChar(std::u16string_view passwordChar);
    // What the box shows: the text, or one password character per character of it.
    std::u16string DisplayText() const;

    Event<> Change;

private:
    bool EntryReachable() const override { return Reachable(); }
    void EntryFocus() override { TakeFocusFromPerson(); }
    std::u16string& EntryText() override { return text_; }
    LONG EntryMaxLength() const override { return maxLength_; }
    void EntryChangedByPerson() override { Change.Raise(); }

    std::u16string text_;
    LONG maxLength_ = 0;
    std::u16string passwordChar_;
};

}  // namespace platform::forms
