#include <cstring>

#include "Resources.h"
#include "winuser.h"

namespace qlmfile {

std::string ProgramVersion() {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(kVersionResource), RT_VERSION);
    if (found == nullptr) return {};
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    const DWORD size = SizeofResource(nullptr, found);
    // VS_FIXEDFILEINFO follows the root block's key; find it by its signature.
    constexpr BYTE kSignature[] = {0xBD, 0x04, 0xEF, 0xFE};
    for (DWORD at = 0; bytes != nullptr && at + 16 <= size; at += 4) {
        if (std::memcmp(bytes + at, kSignature, 4) != 0) continue;
        DWORD ms;
        DWORD ls;
        std::memcpy(&ms, bytes + at + 8, 4);
        std::memcpy(&ls, bytes + at + 12, 4);
        return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls)) + "." +
               std::to_string(LOWORD(ls));
    }
    return {};
}

}  // namespace qlmfile
