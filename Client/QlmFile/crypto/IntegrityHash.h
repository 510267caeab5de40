#pragma once
// The integrity hash: HMAC-SHA1 over the whole ciphertext, keyed with an RC2 key derived from the
// engine's key text.
#include "windows.h"
#include "wincrypt.h"

namespace qlmfile {

// Acquires the integrity context into *context, derives the integrity key into *key and hands out
// an HMAC-SHA1 hash object ready for CryptHashData in *hash. The key text is 8-bit and
// NUL-terminated; one that decodes to no bytes at all is accepted (the key then comes from the
// SHA-1 of no data). A handle stored into a slot is the caller's from then on, also when a later
// step fails. 0x800FF004 for an empty key text, otherwise the folded last error of the first call
// that failed.
HRESULT CreateIntegrityHash(LPCSTR keyText, HCRYPTPROV* context, HCRYPTKEY* key, HCRYPTHASH* hash);

}  // namespace qlmfile
