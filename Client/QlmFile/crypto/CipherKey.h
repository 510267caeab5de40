#pragma once
// The cipher key: AES-256 in CBC mode with PKCS#5 padding, derived from the engine's key text, with
// an IV taken from the token text. Also the streaming rule that lock and unlock share.
#include "windows.h"
#include "wincrypt.h"

namespace qlmfile {

// Acquires the cipher context into *cipherContext and hands out the cipher key in *cipherKey with
// its IV, CBC mode and PKCS#5 padding set. Both texts are 8-bit (thread ANSI code page) and
// NUL-terminated. A handle stored into a slot is the caller's from then on, also when a later step
// fails. 0x800FF004 for an empty key text, 0x800FF005 when the IV digest is not 20 bytes, otherwise
// the folded last error of the first call that failed.
HRESULT CreateCipherKey(HCRYPTPROV* cipherContext, HCRYPTKEY* cipherKey, LPCSTR keyText, LPCSTR tokenText);

// The key's block length as the provider reports it: in bits (128 for AES).
HRESULT GetCipherBlockLength(HCRYPTKEY key, DWORD* length);

// Streaming: one work buffer of 2048 bytes, passed whole as the buffer length to CryptEncrypt and
// CryptDecrypt, so the final pass has room for its pad block.
inline constexpr DWORD kWorkBufferBytes = 2048;

// The chunk size C = 2048 - (2048 mod L) - L for the block length L in bits: 1920 for AES. A pass
// that reads fewer than C bytes, zero included, is the final one. 0 when L is 0 or above 1024, for
// which no chunk fits.
constexpr DWORD ChunkSizeFor(DWORD blockLengthBits) {
    if (blockLengthBits == 0 || blockLengthBits > kWorkBufferBytes / 2) return 0;
    return kWorkBufferBytes - (kWorkBufferBytes % blockLengthBits) - blockLengthBits;
}

}  // namespace qlmfile
