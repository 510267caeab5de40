#pragma once
// An editable drop-down combo box, unsorted: an edit field over a list of items. Counts and indexes are
// 16-bit signed, as the control's own.
//
// Click: an item is made the selection, by a person choosing it from the list or by code assigning
// ListIndex an item's index. As with the real control, assigning the index of the item already selected
// selects it again and raises Click again: a hosting control that re-selects an item to re-run its
// reaction relies on it. Assigning -1 raises nothing.
// Change: the text of the edit field changes, typed by a person or assigned by code; choosing an item
// puts the item's text there without a Change.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/control.h"
#include "platform/forms/event.h"
#include "platform/forms/text_entry.h"

namespace platform::forms {

class ComboBox final : public Control, public TextEntry {
public:
    ComboBox(CreationKey key, std::u16string name);

    const std::u16string& Text() const { return text_; }
    // Changes the text only: ListIndex stays as it is, also when the text equals an item. Raises Change
    // when the text differs from the one held.
    void SetText(std::u16string_view text);

    // Inserts the item at index (the end when none is given); an index past the end or negative is
    // refused with "Invalid procedure call or argument" (0x800A0005), a full list (32,767 items) with
    // "Out of memory" (0x800A0007). An item inserted at or before the selection moves the selection with
    // its item.
    HRESULT AddItem(std::u16string_view item, std::optional<SHORT> index = std::nullopt);
    // Removes an item ("Invalid procedure call or argument" for an index out of range). Removing the
    // selected item leaves no item selected (the text stays); no event.
    HRESULT RemoveItem(SHORT index);
    SHORT ListCount() const { return static_cast<SHORT>(items_.size()); }
    // The item's text; an index out of range reads as the empty string.
    std::u16string List(SHORT index) const;

    // -1 (no item selected) .. ListCount - 1; any other value is refused with "Invalid property value".
    // An item's index puts the item's text into the edit field and raises Click (see above); -1 empties
    // the edit field and raises nothing.
    SHORT ListIndex() const { return listIndex_; }
    HRESULT SetListIndex(SHORT index);

    // A person opens the list and chooses an item: as SetListIndex with the item's index. An index out of
    // range is no item and does nothing.
    bool ChooseItem(SHORT index);

    Event<> Click;
    Event<> Change;

private:
    bool EntryReachable() const override { return Reachable(); }
    void EntryFocus() override { TakeFocusFromPerson(); }
    std::u16string& EntryText() override { return text_; }
    LONG EntryMaxLength() const override { return 0; }
    // Typing makes the text no item's: the selection goes, without a Click.
    void EntryChangedByPerson() override {
        listIndex_ = -1;
        Change.Raise();
    }
    void Select(SHORT index);

    std::u16string text_;
    std::vector<std::u16string> items_;
    SHORT listIndex_ = -1;
};

}  // namespace platform::forms
