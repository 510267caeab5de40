#pragma once
// The OpenSSL algorithms behind the providers, fetched once for the whole process: an implicit
// fetch on every init would cost more than a chunk's work.
#include <openssl/evp.h>

#include "wincrypt.h"

namespace platform::crypt {

struct Algorithms {
    EVP_MD* sha1 = nullptr;
    EVP_MAC* hmac = nullptr;
    EVP_CIPHER* aes128cbc = nullptr;
    EVP_CIPHER* aes192cbc = nullptr;
    EVP_CIPHER* aes256cbc = nullptr;
};

// Null when the default provider lacks any of them.
const Algorithms* TheAlgorithms();

// The CBC cipher for an AES algorithm id, or null for any other id.
const EVP_CIPHER* AesCbcFor(ALG_ID algid);

// Key size in bytes of an AES algorithm id, 0 for any other id.
DWORD AesKeyBytes(ALG_ID algid);

inline constexpr DWORD kSha1Bytes = 20;
inline constexpr DWORD kAesBlockBytes = 16;
inline constexpr DWORD kRc2BlockBytes = 8;

}  // namespace platform::crypt
