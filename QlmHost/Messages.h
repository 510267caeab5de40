#pragma once
// Turning statuses and UTF-16 text into the UTF-8 lines that QlmHost prints.
#include <string>
#include <string_view>

#include "windef.h"

namespace qlmhost {

// "Type mismatch (0x800A000D)": the system's text for the status and the status in hex; the hex
// alone for a status without a text.
std::string Describe(HRESULT hr);
// "0x800A000D".
std::string HexStatus(HRESULT hr);
// UTF-8 for printing; an unpaired surrogate shows as U+FFFD rather than losing the whole text.
std::string Narrow(std::u16string_view text);
// A name or text in double quotes with JSON escapes, so that control characters and quotes in what a
// user typed cannot garble a message.
std::string Quote(std::string_view utf8);
std::string Quote(std::u16string_view text);

}  // namespace qlmhost
