#pragma once
// Feeding and finishing a hash object, shared by the hash functions, CryptDeriveKey and the
// hash argument of CryptEncrypt/CryptDecrypt.
#include "objects.h"
#include "winerror.h"

namespace platform::crypt {

// S_OK when data may still go in, else NTE_BAD_HASH_STATE (an HMAC without HP_HMAC_INFO, or a
// hash whose value has been taken).
inline HRESULT HashAcceptsData(const Hash& hash) {
    return hash.ready && !hash.finished ? S_OK : NTE_BAD_HASH_STATE;
}

// Only after HashAcceptsData gave S_OK.
bool FeedHash(Hash& hash, const BYTE* data, std::size_t size);

// Computes the value once (later calls keep it). NTE_BAD_HASH_STATE for an HMAC not yet set up.
HRESULT FinishHash(Hash& hash);

}  // namespace platform::crypt
