#pragma once
// What a lock hands out: fresh random key material and token as Base64 text, and a comment that
// tells a person who locked the file and when.
#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

#include "Secret.h"
#include "windef.h"

namespace local_engine {

inline constexpr std::size_t kKeyBytes = 32;
inline constexpr std::size_t kTokenBytes = 16;

// Standard alphabet, "=" padding, no line breaks.
void Base64(const unsigned char* bytes, std::size_t count, Secret& text);
std::string Base64(const unsigned char* bytes, std::size_t count);

// Base64 of `count` fresh random bytes; the raw bytes are wiped before returning. NTE_FAIL if the
// random generator fails.
HRESULT RandomBase64(std::size_t count, Secret& text);

// "Locked by alice on workstation at 2024-05-01T14:03:09+02:00" (local time).
std::string LockComment(std::time_t when);
// "2024-05-01T12:03:09Z": the lock time as the store records it.
std::string UtcTimestamp(std::time_t when);

}  // namespace local_engine
