#pragma once
// A list box, unsorted, single selection. Counts and indexes are 16-bit signed.
//
// Click: an item is made the selection, by a person clicking it or by code assigning ListIndex an item's
// index (as with the real control, also when it is the item already selected). DblClick: a person
// double-clicks the list; on an item, the first click selects it (Click) before the DblClick.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/control.h"
#include "platform/forms/event.h"

namespace platform::forms {

// The most items a list box or combo box holds: its counts are 16-bit signed.
inline constexpr SHORT kMaxListItems = 32767;

class ListBox final : public Control {
public:
    ListBox(CreationKey key, std::u16string name);

    // Inserts the item at index (the end when none is given); an index past the end or negative is
    // refused with "Invalid procedure call or argument" (0x800A0005), a full list (32,767 items) with
    // "Out of memory" (0x800A0007). An item inserted at or before the selection moves the selection with
    // its item.
    HRESULT AddItem(std::u16string_view item, std::optional<SHORT> index = std::nullopt);
    // Removes an item ("Invalid procedure call or argument" for an index out of range). The selection
    // follows its item; removing the selected item leaves none selected. No event.
    HRESULT RemoveItem(SHORT index);
    // Removes every item; no event.
    void Clear();
    SHORT ListCount() const { return static_cast<SHORT>(items_.size()); }
    // The item's text; an index out of range reads as the empty string.
    std::u16string List(SHORT index) const;
    // The selected item's text, or the empty string.
    std::u16string Text() const { return List(listIndex_); }

    // -1 (no item selected) .. ListCount - 1; any other value is refused with "Invalid property value".
    SHORT ListIndex() const { return listIndex_; }
    HRESULT SetListIndex(SHORT index);

    // A person's click on an item; an index out of range is the empty area below the items, where a click
    // does nothing.
    bool ClickItem(SHORT index);
    // A person's double click on an item, or (index out of range) on the empty area, which raises DblClick
    // with the selection unchanged.
    bool DoubleClickItem(SHORT index);

    Event<> Click;
    Event<> DblClick;

private:
    std::vector<std::u16string> items_;
    SHORT listIndex_ = -1;
};

}  // namespace platform::forms
