#pragma once
// How containers and restored files are named.
//
// The extension of a path is its part from the last "." to the end, when that "." comes after the
// last folder separator. On this platform "/" separates folders as well as "\": otherwise
// /home/u/old.files/notes would lock into /home/u/old.qlm.
#include <string>
#include <string_view>

namespace qlmfile {

// The extension including its dot, or empty.
std::u16string_view ExtensionOf(std::u16string_view path);

// The path without its extension, followed by ".qlm".
std::u16string ContainerPathFor(std::u16string_view sourcePath);

// The extension text stored in a container is trusted only when it is empty, or starts with "." and
// holds no folder separator, NUL or control character: a restored file never lands outside the
// container's folder.
bool IsSafeExtension(std::u16string_view extension);

// The container's path without its extension, followed by the stored extension text. False when the
// extension is not safe or the restored name would be no plain file name ("", "." or "..").
bool RestoredPathFor(std::u16string_view containerPath, std::u16string_view extension, std::u16string& restoredPath);

}  // namespace qlmfile
