#include "list_items.h"

#include "control_errors.h"
#include "platform/forms/list_box.h"

namespace platform::forms {

bool IsItemIndex(const std::vector<std::u16string>& items, SHORT index) {
    return index >= 0 && static_cast<std::size_t>(index) < items.size();
}

HRESULT InsertListItem(std::vector<std::u16string>& items, SHORT& selection, std::u16string_view item,
                       std::optional<SHORT> index) {
    const SHORT at = index.value_or(static_cast<SHORT>(items.size()));
    if (at < 0 || static_cast<std::size_t>(at) > items.size()) return CTL_E_ILLEGALFUNCTIONCALL;
    if (items.size() >= static_cast<std::size_t>(kMaxListItems)) return CTL_E_OUTOFMEMORY;
    items.insert(items.begin() + at, std::u16string(item));
    if (selection >= at) ++selection;
    return S_OK;
}

HRESULT RemoveListItem(std::vector<std::u16string>& items, SHORT& selection, SHORT index) {
    if (!IsItemIndex(items, index)) return CTL_E_ILLEGALFUNCTIONCALL;
    items.erase(items.begin() + index);
    if (selection == index)
        selection = -1;
    else if (selection > index)
        --selection;
    return S_OK;
}

std::u16string ListItem(const std::vector<std::u16string>& items, SHORT index) {
    return IsItemIndex(items, index) ? items[static_cast<std::size_t>(index)] : std::u16string();
}

}  // namespace platform::forms
