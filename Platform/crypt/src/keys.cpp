// Keys: CryptDeriveKey with CryptoAPI's documented derivation, key parameters, CryptDestroyKey.
#include <new>

#include "hash_state.h"
#include "key_material.h"
#include "param_copy.h"
#include "platform/fault_injection.h"

namespace platform::crypt {
namespace {

constexpr DWORD kRc2DefaultBits = 128;
constexpr DWORD kRc2MinBits = 40;
constexpr DWORD kRc2MaxBits = 128;

// The documented expansion for AES: two 64-byte pads (0x36 and 0x5C) with the hash value XORed into
// their first bytes, each hashed; the key is the start of the two digests one after the other.
bool ExpandForAes(const BYTE (&value)[kSha1Bytes], BYTE* key, DWORD keyBytes) {
    BYTE pads[2][64];
    BYTE digests[2 * kSha1Bytes];
    std::memset(pads[0], 0x36, sizeof pads[0]);
    std::memset(pads[1], 0x5C, sizeof pads[1]);
    bool ok = true;
    for (int i = 0; i < 2 && ok; ++i) {
        for (DWORD b = 0; b < kSha1Bytes; ++b) pads[i][b] ^= value[b];
        ok = EVP_Digest(pads[i], sizeof pads[i], digests + i * kSha1Bytes, nullptr, TheAlgorithms()->sha1, nullptr) == 1;
    }
    if (ok) std::memcpy(key, digests, keyBytes);
    OPENSSL_cleanse(pads, sizeof pads);
    OPENSSL_cleanse(digests, sizeof digests);
    return ok;
}

}  // namespace

BOOL HandOutKey(ALG_ID algid, const BYTE* material, DWORD size, bool exportable, HCRYPTKEY* phKey) {
    try {
        std::unique_ptr<Object> key = std::make_unique<Key>(algid, SecretBytes(material, size), exportable);
        const ULONG_PTR handle = AddObject(std::move(key));
        if (handle == 0) return FALSE;
        *phKey = handle;
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FailWith(NTE_NO_MEMORY);
    }
}

void RestartChain(Key& key) {
    key.running = Key::Direction::None;
    key.holding = false;
    OPENSSL_cleanse(key.held, sizeof key.held);
}

}  // namespace platform::crypt

using namespace platform::crypt;

extern "C" BOOL WINAPI CryptDeriveKey(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTHASH hBaseData, DWORD dwFlags,
                                      HCRYPTKEY* phKey) {
    if (platform::fault::Fail("CryptDeriveKey")) return FALSE;
    const Context* context = Find<Context>(hProv);
    if (context == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    Hash* base = Find<Hash>(hBaseData);
    if (base == nullptr) return FailWith(NTE_BAD_HASH);
    if (phKey == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if ((dwFlags & 0xFFFF & ~static_cast<DWORD>(CRYPT_EXPORTABLE | CRYPT_NO_SALT)) != 0) return FailWith(NTE_BAD_FLAGS);
    const DWORD bits = dwFlags >> 16;

    DWORD keyBytes = 0;
    if (AesKeyBytes(Algid) != 0) {
        if (!context->supportsAes) return FailWith(NTE_BAD_ALGID);
        keyBytes = AesKeyBytes(Algid);
        if (bits != 0 && bits != keyBytes * 8) return FailWith(NTE_BAD_FLAGS);
    } else if (Algid == CALG_RC2) {
        const DWORD rc2Bits = bits == 0 ? kRc2DefaultBits : bits;
        if (rc2Bits < kRc2MinBits || rc2Bits > kRc2MaxBits || rc2Bits % 8 != 0) return FailWith(NTE_BAD_FLAGS);
        keyBytes = rc2Bits / 8;
    } else {
        return FailWith(NTE_BAD_ALGID);
    }

    if (const HRESULT finished = FinishHash(*base); FAILED(finished)) return FailWith(finished);
    BYTE material[32];
    if (AesKeyBytes(Algid) != 0) {
        if (!ExpandForAes(base->value, material, keyBytes)) return FailWith(NTE_FAIL);
    } else {
        std::memcpy(material, base->value, keyBytes);  // RC2: the first bytes of the hash value
    }
    const BOOL made = HandOutKey(Algid, material, keyBytes, (dwFlags & CRYPT_EXPORTABLE) != 0, phKey);
    OPENSSL_cleanse(material, sizeof material);
    return made;
}

extern "C" BOOL WINAPI CryptSetKeyParam(HCRYPTKEY hKey, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) {
    if (platform::fault::Fail("CryptSetKeyParam")) return FALSE;
    Key* key = Find<Key>(hKey);
    if (key == nullptr) return FailWith(NTE_BAD_KEY);
    if (dwFlags != 0) return FailWith(NTE_BAD_FLAGS);
    if (pbData == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    DWORD value = 0;
    switch (dwParam) {
        case KP_IV:
            std::memcpy(key->iv, pbData, key->BlockBytes());  // one block from the start of the buffer
            RestartChain(*key);
            return TRUE;
        case KP_MODE:
            std::memcpy(&value, pbData, sizeof value);
            if (value != CRYPT_MODE_CBC) return FailWith(NTE_BAD_DATA);
            key->mode = value;
            return TRUE;
        case KP_PADDING:
            std::memcpy(&value, pbData, sizeof value);
            if (value != PKCS5_PADDING) return FailWith(NTE_BAD_DATA);
            key->padding = value;
            return TRUE;
        default: return FailWith(NTE_BAD_TYPE);
    }
}

extern "C" BOOL WINAPI CryptGetKeyParam(HCRYPTKEY hKey, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen,
                                        DWORD dwFlags) {
    if (platform::fault::Fail("CryptGetKeyParam")) return FALSE;
    const Key* key = Find<Key>(hKey);
    if (key == nullptr) return FailWith(NTE_BAD_KEY);
    if (pdwDataLen == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (dwFlags != 0) return FailWith(NTE_BAD_FLAGS);

    DWORD value = 0;
    switch (dwParam) {
        case KP_IV: return CopyOut(key->iv, key->BlockBytes(), pbData, pdwDataLen);
        case KP_ALGID: value = key->algid; break;
        case KP_BLOCKLEN: value = key->BlockBytes() * 8; break;
        case KP_KEYLEN: value = key->bytes.size() * 8; break;
        case KP_MODE: value = key->mode; break;
        case KP_PADDING: value = key->padding; break;
        default: return FailWith(NTE_BAD_TYPE);
    }
    return CopyOut(&value, sizeof value, pbData, pdwDataLen);
}

extern "C" BOOL WINAPI CryptDestroyKey(HCRYPTKEY hKey) {
    if (platform::fault::Fail("CryptDestroyKey")) return FALSE;
    if (!RemoveObject(hKey, Kind::Key)) return FailWith(NTE_BAD_KEY);
    return TRUE;
}
