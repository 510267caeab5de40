#pragma once
// Characters of UTF-16 text as an edit field counts them: a length limit counts code units, as the
// standard boxes do, but never leaves half of a surrogate pair behind.
#include <string>
#include <string_view>

#include "windef.h"

namespace platform::forms {

// The text cut to at most maxLength code units (0: no limit), without splitting a surrogate pair.
std::u16string_view CutToLength(std::u16string_view text, LONG maxLength);
// The length of the first character (1, or 2 for a surrogate pair); 0 for an empty text.
std::size_t FirstCharLength(std::u16string_view text);
// The length of the last character (1, or 2 for a surrogate pair); 0 for an empty text.
std::size_t LastCharLength(std::u16string_view text);
// The number of characters (a surrogate pair counts once).
std::size_t CharCount(std::u16string_view text);

}  // namespace platform::forms
