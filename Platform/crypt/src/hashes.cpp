// Hash objects: SHA-1 over EVP_MD, HMAC-SHA1 over EVP_MAC. Each object keeps its OpenSSL context
// for its whole life, so hashing data allocates nothing.
#include <openssl/core_names.h>
#include <openssl/params.h>

#include <new>

#include "hash_state.h"
#include "handle_table.h"
#include "param_copy.h"
#include "platform/fault_injection.h"

namespace platform::crypt {

bool FeedHash(Hash& hash, const BYTE* data, std::size_t size) {
    hash.fed = true;
    if (size == 0) return true;
    return hash.md != nullptr ? EVP_DigestUpdate(hash.md, data, size) == 1 : EVP_MAC_update(hash.mac, data, size) == 1;
}

HRESULT FinishHash(Hash& hash) {
    if (hash.finished) return S_OK;
    if (!hash.ready) return NTE_BAD_HASH_STATE;
    bool ok;
    if (hash.md != nullptr) {
        unsigned int size = 0;
        ok = EVP_DigestFinal_ex(hash.md, hash.value, &size) == 1 && size == kSha1Bytes;
    } else {
        std::size_t size = 0;
        ok = EVP_MAC_final(hash.mac, hash.value, &size, sizeof hash.value) == 1 && size == kSha1Bytes;
    }
    if (!ok) return NTE_FAIL;
    hash.finished = true;
    return S_OK;
}

}  // namespace platform::crypt

using namespace platform::crypt;

extern "C" BOOL WINAPI CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags,
                                       HCRYPTHASH* phHash) {
    if (platform::fault::Fail("CryptCreateHash")) return FALSE;
    if (Find<Context>(hProv) == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    if (phHash == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (dwFlags != 0) return FailWith(NTE_BAD_FLAGS);

    const Algorithms& algorithms = *TheAlgorithms();  // a context exists, so they were found
    std::unique_ptr<Hash> hash;
    try {
        switch (Algid) {
            case CALG_SHA1:
                if (hKey != 0) return FailWith(NTE_BAD_KEY);  // not a keyed hash
                hash = std::make_unique<Hash>(Algid);
                hash->md = EVP_MD_CTX_new();
                if (hash->md == nullptr) return FailWith(NTE_NO_MEMORY);
                if (EVP_DigestInit_ex2(hash->md, algorithms.sha1, nullptr) != 1) return FailWith(NTE_FAIL);
                hash->ready = true;
                break;
            case CALG_HMAC: {
                const Key* key = Find<Key>(hKey);
                if (key == nullptr) return FailWith(NTE_BAD_KEY);
                hash = std::make_unique<Hash>(Algid);
                hash->hmacKey = SecretBytes(key->bytes.data(), key->bytes.size());
                hash->mac = EVP_MAC_CTX_new(algorithms.hmac);
                if (hash->mac == nullptr) return FailWith(NTE_NO_MEMORY);
                break;
            }
            default: return FailWith(NTE_BAD_ALGID);
        }
    } catch (const std::bad_alloc&) {
        return FailWith(NTE_NO_MEMORY);
    }
    const ULONG_PTR handle = AddObject(std::move(hash));
    if (handle == 0) return FALSE;
    *phHash = handle;
    return TRUE;
}

extern "C" BOOL WINAPI CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags) {
    if (platform::fault::Fail("CryptHashData")) return FALSE;
    Hash* hash = Find<Hash>(hHash);
    if (hash == nullptr) return FailWith(NTE_BAD_HASH);
    if (dwFlags != 0) return FailWith(NTE_BAD_FLAGS);
    if (const HRESULT state = HashAcceptsData(*hash); FAILED(state)) return FailWith(state);
    if (pbData == nullptr && dwDataLen != 0) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (!FeedHash(*hash, pbData, dwDataLen)) return FailWith(NTE_FAIL);
    return TRUE;
}

extern "C" BOOL WINAPI CryptSetHashParam(HCRYPTHASH hHash, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) {
    if (platform::fault::Fail("CryptSetHashParam")) return FALSE;
    Hash* hash = Find<Hash>(hHash);
    if (hash == nullptr) return FailWith(NTE_BAD_HASH);
    if (dwFlags != 0) return FailWith(NTE_BAD_FLAGS);
    if (dwParam != HP_HMAC_INFO || hash->algid != CALG_HMAC) return FailWith(NTE_BAD_TYPE);
    if (pbData == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (hash->fed || hash->finished) return FailWith(NTE_BAD_HASH_STATE);

    HMAC_INFO info;
    std::memcpy(&info, pbData, sizeof info);
    if (info.HashAlgid != CALG_SHA1) return FailWith(NTE_BAD_ALGID);
    // Only RFC 2104's own pads: custom inner and outer strings are not supported on this platform.
    if (info.cbInnerString != 0 || info.cbOuterString != 0) return FailWith(NTE_BAD_DATA);

    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    if (EVP_MAC_init(hash->mac, hash->hmacKey.data(), hash->hmacKey.size(), params) != 1) return FailWith(NTE_FAIL);
    hash->ready = true;
    return TRUE;
}

extern "C" BOOL WINAPI CryptGetHashParam(HCRYPTHASH hHash, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen,
                                         DWORD dwFlags) {
    if (platform::fault::Fail("CryptGetHashParam")) return FALSE;
    Hash* hash = Find<Hash>(hHash);
    if (hash == nullptr) return FailWith(NTE_BAD_HASH);
    if (pdwDataLen == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (dwFlags != 0) return FailWith(NTE_BAD_FLAGS);

    switch (dwParam) {
        case HP_ALGID: {
            const DWORD algid = hash->algid;
            return CopyOut(&algid, sizeof algid, pbData, pdwDataLen);
        }
        case HP_HASHSIZE: {
            if (!hash->ready) return FailWith(NTE_BAD_HASH_STATE);
            const DWORD size = kSha1Bytes;
            return CopyOut(&size, sizeof size, pbData, pdwDataLen);
        }
        case HP_HASHVAL: {
            if (!hash->ready) return FailWith(NTE_BAD_HASH_STATE);
            BOOL result = TRUE;
            // Measuring, or a buffer too small, leaves the hash open.
            if (!BufferTakes(kSha1Bytes, pbData, pdwDataLen, result)) return result;
            if (const HRESULT finished = FinishHash(*hash); FAILED(finished)) return FailWith(finished);
            return CopyOut(hash->value, kSha1Bytes, pbData, pdwDataLen);
        }
        default: return FailWith(NTE_BAD_TYPE);
    }
}

extern "C" BOOL WINAPI CryptDestroyHash(HCRYPTHASH hHash) {
    if (platform::fault::Fail("CryptDestroyHash")) return FALSE;
    if (!RemoveObject(hHash, Kind::Hash)) return FailWith(NTE_BAD_HASH);
    return TRUE;
}
