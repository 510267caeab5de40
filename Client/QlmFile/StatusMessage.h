#pragma once
// The text that a user sees for a failure status.
#include <string>

#include "windef.h"

namespace qlmfile {

// A fixed sentence for the statuses that concern protected content, else the system's own
// description of the status (or of its low 16 bits), else "Error Occurred: 0x<status>". Never fails.
std::u16string StatusMessage(HRESULT status);

}  // namespace qlmfile
