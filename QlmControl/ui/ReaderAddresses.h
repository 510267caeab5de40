#pragma once
// Reader addresses: cutting typed text into candidate entries and deciding whether one is acceptable.
// A reader entry is an e-mail address or the keyword "everyone".
#include <string>
#include <string_view>
#include <vector>

#include "winerror.h"

namespace qlmcontrol {

inline constexpr std::u16string_view kEveryone = u"everyone";

// True for the keyword in any letter case (the whole text, nothing trimmed), or for a text holding both
// an at sign and a full stop, anywhere and in either order. Nothing else is looked at.
bool IsValidEmail(std::u16string_view email);

// The segments of a typed text: cut at every comma, each field trimmed of spaces (U+0020 only), then cut
// at every semicolon, each sub-field trimmed again; empty ones are skipped. Segments are counted in 16
// bits: more than 32,767 fail with CTL_E_OVERFLOW ("Overflow" in the error information) and leave
// `segments` as it was.
HRESULT ParseSegments(std::u16string_view source, std::vector<std::u16string>& segments);

}  // namespace qlmcontrol
