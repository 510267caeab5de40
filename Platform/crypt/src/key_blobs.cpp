// Plaintext key blobs: how a known key gets in (HMAC keys of any length, AES keys) and how an
// exportable key's bytes get out.
#include <cstring>

#include "key_material.h"
#include "param_copy.h"
#include "platform/fault_injection.h"

namespace platform::crypt {
namespace {

constexpr DWORD kBlobPrefixBytes = sizeof(BLOBHEADER) + sizeof(DWORD);
constexpr DWORD kRc2MinBytes = 5;
constexpr DWORD kRc2MaxBytes = 16;

}  // namespace
}  // namespace platform::crypt

using namespace platform::crypt;

extern "C" BOOL WINAPI CryptImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD dwDataLen, HCRYPTKEY hPubKey,
                                      DWORD dwFlags, HCRYPTKEY* phKey) {
    if (platform::fault::Fail("CryptImportKey")) return FALSE;
    const Context* context = Find<Context>(hProv);
    if (context == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    if (pbData == nullptr || phKey == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (hPubKey != 0) return FailWith(NTE_BAD_KEY);  // a plaintext blob is not wrapped
    if ((dwFlags & ~static_cast<DWORD>(CRYPT_EXPORTABLE | CRYPT_IPSEC_HMAC_KEY | CRYPT_NO_SALT)) != 0)
        return FailWith(NTE_BAD_FLAGS);
    if (dwDataLen < kBlobPrefixBytes) return FailWith(NTE_BAD_DATA);

    BLOBHEADER header;
    DWORD size = 0;
    std::memcpy(&header, pbData, sizeof header);
    std::memcpy(&size, pbData + sizeof header, sizeof size);
    if (header.bType != PLAINTEXTKEYBLOB) return FailWith(NTE_BAD_TYPE);
    if (header.bVersion != CUR_BLOB_VERSION) return FailWith(NTE_BAD_VER);
    if (size > dwDataLen - kBlobPrefixBytes) return FailWith(NTE_BAD_DATA);

    if (AesKeyBytes(header.aiKeyAlg) != 0) {
        if (!context->supportsAes) return FailWith(NTE_BAD_ALGID);
        if (size != AesKeyBytes(header.aiKeyAlg)) return FailWith(NTE_BAD_DATA);
    } else if (header.aiKeyAlg == CALG_RC2) {
        const bool hmacKey = (dwFlags & CRYPT_IPSEC_HMAC_KEY) != 0;
        if (size == 0 || (!hmacKey && (size < kRc2MinBytes || size > kRc2MaxBytes))) return FailWith(NTE_BAD_DATA);
    } else {
        return FailWith(NTE_BAD_ALGID);
    }
    return HandOutKey(header.aiKeyAlg, pbData + kBlobPrefixBytes, size, (dwFlags & CRYPT_EXPORTABLE) != 0, phKey);
}

extern "C" BOOL WINAPI CryptExportKey(HCRYPTKEY hKey, HCRYPTKEY hExpKey, DWORD dwBlobType, DWORD dwFlags,
                                      BYTE* pbData, DWORD* pdwDataLen) {
    if (platform::fault::Fail("CryptExportKey")) return FALSE;
    const Key* key = Find<Key>(hKey);
    if (key == nullptr || hExpKey != 0) return FailWith(NTE_BAD_KEY);
    if (pdwDataLen == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (dwBlobType != PLAINTEXTKEYBLOB) return FailWith(NTE_BAD_TYPE);
    if (dwFlags != 0) return FailWith(NTE_BAD_FLAGS);
    if (!key->exportable) return FailWith(NTE_BAD_KEY_STATE);

    const DWORD size = key->bytes.size();
    BOOL result = TRUE;
    if (!BufferTakes(kBlobPrefixBytes + size, pbData, pdwDataLen, result)) return result;
    const BLOBHEADER header{PLAINTEXTKEYBLOB, CUR_BLOB_VERSION, 0, key->algid};
    std::memcpy(pbData, &header, sizeof header);
    std::memcpy(pbData + sizeof header, &size, sizeof size);
    std::memcpy(pbData + kBlobPrefixBytes, key->bytes.data(), size);
    *pdwDataLen = kBlobPrefixBytes + size;
    return TRUE;
}
