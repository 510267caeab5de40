#pragma once
// UTF-8 <-> UTF-16 for the platform's own use (paths, message texts, registry entries).
// Strict: an invalid byte sequence or an unpaired surrogate gives std::nullopt.
#include <optional>
#include <string>
#include <string_view>

#include "windef.h"

namespace platform {

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16);

// Length of a NUL-terminated UTF-16 string.
std::size_t WideLength(LPCWSTR text);

}  // namespace platform
