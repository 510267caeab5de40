// CryptEncrypt and CryptDecrypt: AES-CBC whose chain runs on across calls, with the PKCS#5 pad
// added and removed here so that OpenSSL only ever sees whole blocks. Each key keeps one EVP cipher
// context for its life; a call allocates nothing.
#include <climits>
#include <cstring>

#include "hash_state.h"
#include "key_material.h"
#include "platform/fault_injection.h"

namespace platform::crypt {
namespace {

using Direction = Key::Direction;

// Makes the chain run in `direction`. If it already does, it runs on; otherwise it starts afresh
// from the key's IV (a key switched between encrypting and decrypting does not carry its chain over).
HRESULT EnsureChain(Key& key, Direction direction) {
    if (key.running == direction) return S_OK;
    RestartChain(key);
    if (key.ctx == nullptr) {
        key.ctx = EVP_CIPHER_CTX_new();
        if (key.ctx == nullptr) return NTE_NO_MEMORY;
    }
    const int encrypt = direction == Direction::Encrypt ? 1 : 0;
    // Same direction as the key schedule already in place: only the IV needs setting again.
    const bool reuseSchedule = key.scheduled == direction;
    const int ok = reuseSchedule
                       ? EVP_CipherInit_ex2(key.ctx, nullptr, nullptr, key.iv, encrypt, nullptr)
                       : EVP_CipherInit_ex2(key.ctx, AesCbcFor(key.algid), key.bytes.data(), key.iv, encrypt, nullptr);
    if (ok != 1 || EVP_CIPHER_CTX_set_padding(key.ctx, 0) != 1) {
        key.scheduled = Direction::None;
        return NTE_FAIL;
    }
    key.scheduled = direction;
    key.running = direction;
    return S_OK;
}

// Runs whole blocks through the chain in place (EVP takes int lengths: long buffers go in pieces).
bool RunChain(Key& key, BYTE* data, DWORD size) {
    constexpr DWORD kPiece = 1u << 30;
    while (size > 0) {
        const DWORD piece = size < kPiece ? size : kPiece;
        int produced = 0;
        if (EVP_CipherUpdate(key.ctx, data, &produced, data, static_cast<int>(piece)) != 1 ||
            produced != static_cast<int>(piece))
            return false;
        data += piece;
        size -= piece;
    }
    return true;
}

// The hash named by a CryptEncrypt/CryptDecrypt call, if any: *hash stays null for handle 0.
HRESULT HashArgument(HCRYPTHASH hHash, Hash** hash) {
    *hash = nullptr;
    if (hHash == 0) return S_OK;
    *hash = Find<Hash>(hHash);
    if (*hash == nullptr) return NTE_BAD_HASH;
    return HashAcceptsData(**hash);
}

// The checks that CryptEncrypt and CryptDecrypt share, in their order: 0, or the last error to fail with.
DWORD CheckCall(HCRYPTKEY hKey, HCRYPTHASH hHash, DWORD dwFlags, const DWORD* pdwDataLen, Key** key, Hash** hash) {
    *key = Find<Key>(hKey);
    if (*key == nullptr) return static_cast<DWORD>(NTE_BAD_KEY);
    if (const HRESULT hr = HashArgument(hHash, hash); FAILED(hr)) return static_cast<DWORD>(hr);
    if (dwFlags != 0) return static_cast<DWORD>(NTE_BAD_FLAGS);
    if (pdwDataLen == nullptr) return ERROR_INVALID_PARAMETER;
    if (!(*key)->IsAes()) return static_cast<DWORD>(NTE_BAD_ALGID);  // RC2 keys are key material only
    return 0;
}

// A PKCS#5 pad: 1 to 16 bytes at the end of the block, each holding the pad's length.
DWORD PadLength(const BYTE* lastBlock) {
    const BYTE pad = lastBlock[kAesBlockBytes - 1];
    if (pad == 0 || pad > kAesBlockBytes) return 0;
    BYTE differ = 0;
    for (DWORD i = kAesBlockBytes - pad; i < kAesBlockBytes; ++i) differ |= static_cast<BYTE>(lastBlock[i] ^ pad);
    return differ == 0 ? pad : 0;
}

}  // namespace
}  // namespace platform::crypt

using namespace platform::crypt;

extern "C" BOOL WINAPI CryptEncrypt(HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL Final, DWORD dwFlags, BYTE* pbData,
                                    DWORD* pdwDataLen, DWORD dwBufLen) {
    if (platform::fault::Fail("CryptEncrypt")) return FALSE;
    Key* key = nullptr;
    Hash* hash = nullptr;
    if (const DWORD error = CheckCall(hKey, hHash, dwFlags, pdwDataLen, &key, &hash); error != 0) return FailWith(error);

    const DWORD size = *pdwDataLen;
    if (!Final && size % kAesBlockBytes != 0) return FailWith(NTE_BAD_DATA);
    const ULONGLONG result = Final ? (size / kAesBlockBytes + 1ull) * kAesBlockBytes : size;
    if (result > 0xFFFFFFFFull) return FailWith(NTE_BAD_LEN);  // the result's length would not fit a DWORD
    const DWORD needed = static_cast<DWORD>(result);
    if (pbData == nullptr) {  // measuring
        *pdwDataLen = needed;
        return TRUE;
    }
    if (needed > dwBufLen) {
        *pdwDataLen = needed;
        return FailWith(static_cast<DWORD>(ERROR_MORE_DATA));
    }

    if (hash != nullptr && !FeedHash(*hash, pbData, size)) return FailWith(NTE_FAIL);
    if (const HRESULT hr = EnsureChain(*key, Direction::Encrypt); FAILED(hr)) return FailWith(hr);
    if (Final) {
        const DWORD pad = needed - size;
        std::memset(pbData + size, static_cast<int>(pad), pad);
    }
    const bool ran = RunChain(*key, pbData, needed);
    if (Final || !ran) RestartChain(*key);
    if (!ran) return FailWith(NTE_FAIL);
    *pdwDataLen = needed;
    return TRUE;
}

extern "C" BOOL WINAPI CryptDecrypt(HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL Final, DWORD dwFlags, BYTE* pbData,
                                    DWORD* pdwDataLen) {
    if (platform::fault::Fail("CryptDecrypt")) return FALSE;
    Key* key = nullptr;
    Hash* hash = nullptr;
    if (const DWORD error = CheckCall(hKey, hHash, dwFlags, pdwDataLen, &key, &hash); error != 0) return FailWith(error);

    const DWORD size = *pdwDataLen;
    if (size % kAesBlockBytes != 0) return FailWith(NTE_BAD_DATA);
    if (pbData == nullptr && size != 0) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (const HRESULT hr = EnsureChain(*key, Direction::Decrypt); FAILED(hr)) return FailWith(hr);
    if (!RunChain(*key, pbData, size)) {
        RestartChain(*key);
        return FailWith(NTE_FAIL);
    }

    DWORD produced = 0;
    if (!Final) {
        if (size == 0) {
            *pdwDataLen = 0;
            return TRUE;
        }
        // Hold back this call's last block; hand out the one held before in front of the rest.
        BYTE last[kAesBlockBytes];
        std::memcpy(last, pbData + size - kAesBlockBytes, kAesBlockBytes);
        if (key->holding) {
            std::memmove(pbData + kAesBlockBytes, pbData, size - kAesBlockBytes);
            std::memcpy(pbData, key->held, kAesBlockBytes);
            produced = size;
        } else {
            produced = size - kAesBlockBytes;
        }
        std::memcpy(key->held, last, kAesBlockBytes);
        key->holding = true;
        OPENSSL_cleanse(last, sizeof last);
    } else {
        const DWORD total = size + (key->holding ? kAesBlockBytes : 0);
        if (total == 0) {
            RestartChain(*key);
            return FailWith(NTE_BAD_DATA);  // no block to carry a pad
        }
        const BYTE* lastBlock = size != 0 ? pbData + size - kAesBlockBytes : key->held;
        const DWORD pad = PadLength(lastBlock);
        if (pad == 0) {
            OPENSSL_cleanse(pbData, size);  // no unchecked plaintext is left behind
            RestartChain(*key);
            return FailWith(NTE_BAD_DATA);
        }
        produced = total - pad;
        if (key->holding) {
            // Only plaintext is written: at most one block less one byte beyond this call's data.
            if (size != 0) {
                std::memmove(pbData + kAesBlockBytes, pbData, size - pad);
                std::memcpy(pbData, key->held, kAesBlockBytes);
            } else {
                std::memcpy(pbData, key->held, produced);
            }
        }
        RestartChain(*key);
    }
    if (hash != nullptr && !FeedHash(*hash, pbData, produced)) return FailWith(NTE_FAIL);
    *pdwDataLen = produced;
    return TRUE;
}
