#pragma once
// The item list shared by the list box and the combo box: 16-bit signed counts, insertion and removal
// that keep the selection on its item.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windef.h"

namespace platform::forms {

// S_OK, or the error to refuse the insertion with.
HRESULT InsertListItem(std::vector<std::u16string>& items, SHORT& selection, std::u16string_view item,
                       std::optional<SHORT> index);
HRESULT RemoveListItem(std::vector<std::u16string>& items, SHORT& selection, SHORT index);
std::u16string ListItem(const std::vector<std::u16string>& items, SHORT index);
bool IsItemIndex(const std::vector<std::u16string>& items, SHORT index);

}  // namespace platform::forms
