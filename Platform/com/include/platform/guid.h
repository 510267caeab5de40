#pragma once
// The braced text form of a GUID for the platform's own use (registry entry names, messages).
#include <optional>
#include <string>
#include <string_view>

#include "guiddef.h"

namespace platform::com {

// "{603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8}": upper-case hex, 38 characters.
std::string GuidToString(REFGUID guid);
std::u16string GuidToWideString(REFGUID guid);
// The braced form, hex digits in either case; anything else gives std::nullopt.
std::optional<GUID> ParseGuid(std::string_view text);
std::optional<GUID> ParseGuid(std::u16string_view text);

}  // namespace platform::com
