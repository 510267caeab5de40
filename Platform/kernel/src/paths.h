#pragma once
// File names between the Windows-shaped API and the system.
#include <optional>
#include <string>

#include "windef.h"

namespace platform::kernel {

// The UTF-8 form of a NUL-terminated UTF-16 path, taken as it is ("\" stays a file-name character).
// Sets the last error and gives nothing for a null or empty path (ERROR_PATH_NOT_FOUND) and for a path
// that has no UTF-8 form (ERROR_INVALID_NAME).
std::optional<std::string> NativePath(LPCWSTR path);

// The Win32 error for an errno value of a call on path. ENOENT tells a missing file
// (ERROR_FILE_NOT_FOUND) from a missing folder on the way to it (ERROR_PATH_NOT_FOUND).
DWORD PathError(const std::string& path, int error);

// The folder that holds path ("." for a bare name).
std::string ParentFolder(const std::string& path);

}  // namespace platform::kernel
