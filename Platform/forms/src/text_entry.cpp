#include "platform/forms/text_entry.h"

#include "text_limits.h"

namespace platform::forms {

namespace {

// One keystroke with the caret at the end (or the whole text selected); true when the text changed.
bool ApplyKeystroke(std::u16string& text, std::u16string_view key, bool wholeTextSelected, LONG maxLength) {
    if (key == u"\b") {
        if (text.empty()) return false;
        if (wholeTextSelected)
            text.clear();
        else
            text.erase(text.size() - LastCharLength(text));
        return true;
    }
    const std::size_t kept = wholeTextSelected ? 0 : text.size();
    if (maxLength > 0 && kept + key.size() > static_cast<std::size_t>(maxLength)) return false;
    const std::u16string typed = text.substr(0, kept) + std::u16string(key);
    if (typed == text) return false;
    text = typed;
    return true;
}

}  // namespace

bool TextEntry::Type(std::u16string_view keys, bool selectAllFirst) {
    if (!EntryReachable()) return false;
    EntryFocus();
    bool wholeTextSelected = selectAllFirst;
    while (!keys.empty()) {
        // A Change handler may have disabled or hidden the box: the next keystroke then goes nowhere.
        if (!EntryReachable()) break;
        const std::u16string_view key = keys.substr(0, FirstCharLength(keys));
        keys.remove_prefix(key.size());
        if (ApplyKeystroke(EntryText(), key, wholeTextSelected, EntryMaxLength())) EntryChangedByPerson();
        wholeTextSelected = false;
    }
    return true;
}

bool TextEntry::Paste(std::u16string_view text, bool overWholeText) {
    if (!EntryReachable()) return false;
    EntryFocus();
    // A single-line field takes the pasted text up to its first line break.
    text = text.substr(0, text.find_first_of(u"\r\n"));
    std::u16string& held = EntryText();
    const std::size_t kept = overWholeText ? 0 : held.size();
    const LONG limit = EntryMaxLength();
    // The edit field takes as much of the pasted text as fits.
    const LONG room = limit > 0 ? limit - static_cast<LONG>(kept) : 0;
    if (limit > 0 && room <= 0 && !overWholeText) return true;
    const std::u16string pasted = held.substr(0, kept) + std::u16string(limit > 0 ? CutToLength(text, room) : text);
    if (pasted == held) return true;
    held = pasted;
    EntryChangedByPerson();
    return true;
}

bool TextEntry::ClearText() {
    if (!EntryReachable()) return false;
    EntryFocus();
    std::u16string& held = EntryText();
    if (held.empty()) return true;
    held.clear();
    EntryChangedByPerson();
    return true;
}

}  // namespace platform::forms
