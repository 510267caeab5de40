#pragma once
// Reading a small file whole, and replacing a file's contents as one step, through the platform's file
// API (so that tests can make any of its calls fail).
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "windef.h"

namespace qlmhost {

// Larger files are refused before anything is read: no property bag comes near it.
inline constexpr std::size_t kMaxFileContents = 16u << 20;

// The bytes of `file`. Failures: HRESULT_FROM_WIN32 of the failing call's error, or of
// ERROR_FILE_TOO_LARGE past kMaxFileContents; `why` says which step failed and why.
HRESULT ReadFileContents(const std::filesystem::path& file, std::string& bytes, std::string& why);

// Writes `bytes` to a new temporary file in the folder of `file`, flushes it to the disk and renames it
// over `file` (creating it if it does not exist). Until the rename, `file` is as it was; on any failure
// it stays so and the temporary file is removed. The file is readable by its owner only (0600): a bag
// may hold a password.
HRESULT ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes, std::string& why);

}  // namespace qlmhost
