#pragma once
// QlmFile's resources: the progress dialog's template, the application icon, the version.
#include <string>

#include "windef.h"

namespace qlmfile {

inline constexpr WORD kProgressDialogResource = 101;
inline constexpr WORD kApplicationIconResource = 102;
inline constexpr WORD kVersionResource = 1;
inline constexpr WORD kResourceLanguage = 0x0409;  // English (United States)
inline constexpr WORD kResourceCodePage = 1200;    // UTF-16

// The file version from the program's version resource, "1.0.0.1"; empty if the resource is missing.
std::string ProgramVersion();

}  // namespace qlmfile
