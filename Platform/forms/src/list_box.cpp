#include "platform/forms/list_box.h"

#include "control_errors.h"
#include "list_items.h"

namespace platform::forms {

ListBox::ListBox(CreationKey key, std::u16string name) : Control(key, ControlKind::ListBox, std::move(name)) {
    SetBackColor(kColorWindowBackground);
}

HRESULT ListBox::AddItem(std::u16string_view item, std::optional<SHORT> index) {
    const HRESULT hr = InsertListItem(items_, listIndex_, item, index);
    return FAILED(hr) ? Refuse(hr) : hr;
}

HRESULT ListBox::RemoveItem(SHORT index) {
    const HRESULT hr = RemoveListItem(items_, listIndex_, index);
    return FAILED(hr) ? Refuse(hr) : hr;
}

void ListBox::Clear() {
    items_.clear();
    listIndex_ = -1;
}

std::u16string ListBox::List(SHORT index) const { return ListItem(items_, index); }

HRESULT ListBox::SetListIndex(SHORT index) {
    if (index != -1 && !IsItemIndex(items_, index)) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    listIndex_ = index;
    if (index >= 0) Click.Raise();
    return S_OK;
}

bool ListBox::ClickItem(SHORT index) {
    if (!Reachable()) return false;
    TakeFocusFromPerson();
    if (IsItemIndex(items_, index)) {
        listIndex_ = index;
        Click.Raise();
    }
    return true;
}

bool ListBox::DoubleClickItem(SHORT index) {
    if (!ClickItem(index)) return false;
    // The first click's Click handler may have disabled or hidden the list: the second click then goes
    // nowhere.
    if (Reachable()) DblClick.Raise();
    return true;
}

}  // namespace platform::forms
