#include "platform/forms/combo_box.h"

#include "control_errors.h"
#include "list_items.h"

namespace platform::forms {

ComboBox::ComboBox(CreationKey key, std::u16string name) : Control(key, ControlKind::ComboBox, std::move(name)) {
    SetBackColor(kColorWindowBackground);
}

void ComboBox::SetText(std::u16string_view text) {
    if (text == text_) return;
    text_ = text;
    Change.Raise();
}

HRESULT ComboBox::AddItem(std::u16string_view item, std::optional<SHORT> index) {
    const HRESULT hr = InsertListItem(items_, listIndex_, item, index);
    return FAILED(hr) ? Refuse(hr) : hr;
}

HRESULT ComboBox::RemoveItem(SHORT index) {
    const HRESULT hr = RemoveListItem(items_, listIndex_, index);
    return FAILED(hr) ? Refuse(hr) : hr;
}

std::u16string ComboBox::List(SHORT index) const { return ListItem(items_, index); }

HRESULT ComboBox::SetListIndex(SHORT index) {
    if (index != -1 && !IsItemIndex(items_, index)) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    if (index == -1) {
        listIndex_ = -1;
        text_.clear();
        return S_OK;
    }
    Select(index);
    return S_OK;
}

bool ComboBox::ChooseItem(SHORT index) {
    if (!Reachable()) return false;
    TakeFocusFromPerson();
    if (IsItemIndex(items_, index)) Select(index);
    return true;
}

void ComboBox::Select(SHORT index) {
    listIndex_ = index;
    text_ = items_[static_cast<std::size_t>(index)];
    Click.Raise();
}

}  // namespace platform::forms
