#pragma once
// Loading an in-process server's library, with the error Windows gives when that fails.
#include <string>

#include "windef.h"

namespace platform::com {

// dlopen(path) into `handle`. A missing library (or a missing library it needs) gives
// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND); a file that is no loadable library ERROR_BAD_FORMAT.
HRESULT LoadServerLibrary(const std::string& path, void*& handle, std::string* why = nullptr);

}  // namespace platform::com
