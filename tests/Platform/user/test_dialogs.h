#pragma once
// Dialog templates that the user tests register as resources of the test program.
#include "winuser.h"

namespace usertest {

// A dialog "Test" with a Cancel button (IDCANCEL) and a static text (id 100).
inline constexpr WORD kPlainDialog = 201;
// A dialog whose only control has a class nobody registered.
inline constexpr WORD kUnknownClassDialog = 202;
// Not a template at all.
inline constexpr WORD kBrokenDialog = 203;
// Not registered.
inline constexpr WORD kMissingDialog = 299;

inline constexpr WORD kStaticId = 100;

}  // namespace usertest
