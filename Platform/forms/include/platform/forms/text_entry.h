#pragma once
// A person's typing into the edit field of a text box or combo box. The caret stands at the end of the
// text: a click into the box puts it there.
//
// Keys are typed one keystroke (one character) at a time, and each keystroke that changes the text raises
// the box's Change, as a real box does. A Backspace is the character u'\b'. A keystroke that would take
// the text past the box's maximum length is refused (the box beeps and nothing changes).
#include <string>
#include <string_view>

#include "windef.h"

namespace platform::forms {

class TextEntry {
public:
    // Types the keys at the end of the text.
    bool TypeKeys(std::u16string_view keys) { return Type(keys, false); }
    // Selects the whole text, then types: the first keystroke replaces the text (a Backspace empties it).
    bool SelectAllAndType(std::u16string_view keys) { return Type(keys, true); }
    // Pastes the text at the end, or over the whole text; one change, cut at the maximum length.
    bool Paste(std::u16string_view text, bool overWholeText = false);
    // Selects the whole text and deletes it.
    bool ClearText();

protected:
    TextEntry() = default;
    ~TextEntry() = default;

    // Hooks into the box that owns this edit field.
    virtual bool EntryReachable() const = 0;
    virtual void EntryFocus() = 0;
    virtual std::u16string& EntryText() = 0;
    virtual LONG EntryMaxLength() const = 0;  // 0: no limit
    // After a person's edit changed the text: the box's own bookkeeping, then its Change.
    virtual void EntryChangedByPerson() = 0;

private:
    bool Type(std::u16string_view keys, bool selectAllFirst);
};

}  // namespace platform::forms
