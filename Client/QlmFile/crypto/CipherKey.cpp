#include "CipherKey.h"

#include <string>

#include "CryptoSteps.h"
#include "Status.h"
#include "TextDigest.h"

namespace qlmfile {
namespace {

using namespace crypto_steps;

constexpr DWORD kSha1Bytes = 20;
constexpr DWORD kDigestBufferBytes = 32;

// Windows XP knows the AES provider only under its "(Prototype)" name.
HRESULT ChooseAesProvider(LPCWSTR& name) {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    HRESULT hr = S_OK;
    if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&version))) hr = LastErrorStatus();
    const bool windowsXp = version.dwMajorVersion == 5 && version.dwMinorVersion == 1;
    name = windowsXp ? MS_ENH_RSA_AES_PROV_XP_W : MS_ENH_RSA_AES_PROV_W;
    return hr;
}

// The IV digest: SHA-1 of the token text's 8-bit bytes, computed from its UTF-16 form.
HRESULT DigestToken(LPCSTR tokenText, BYTE (&digest)[kDigestBufferBytes]) {
    std::u16string wideToken;
    HRESULT hr = AnsiToWide(tokenText, wideToken);
    if (FAILED(hr)) return hr;
    DWORD length = sizeof digest;
    hr = HashTextSha1(wideToken.c_str(), digest, &length);
    if (FAILED(hr)) return hr;  // passed on unchanged
    return length == kSha1Bytes ? hr : QLM_E_IV_DIGEST;
}

// KP_IV (the provider takes the first block of the digest), KP_MODE, KP_PADDING: each only if the
// one before succeeded.
HRESULT SetCipherParameters(HCRYPTKEY key, const BYTE* iv) {
    const DWORD mode = CRYPT_MODE_CBC;
    const DWORD padding = PKCS5_PADDING;
    HRESULT hr = S_OK;
    if (!CryptSetKeyParam(key, KP_IV, iv, 0)) hr = LastErrorStatus();
    if (SUCCEEDED(hr) && !CryptSetKeyParam(key, KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0)) hr = LastErrorStatus();
    if (SUCCEEDED(hr) && !CryptSetKeyParam(key, KP_PADDING, reinterpret_cast<const BYTE*>(&padding), 0))
        hr = LastErrorStatus();
    return hr;
}

}  // namespace

HRESULT CreateCipherKey(HCRYPTPROV* cipherContext, HCRYPTKEY* cipherKey, LPCSTR keyText, LPCSTR tokenText) {
    KeyBytes k;
    TemporaryHash sha1;
    BYTE digest[kDigestBufferBytes] = {};
    LPCWSTR providerName = nullptr;

    HRESULT hr = ChooseAesProvider(providerName);
    if (SUCCEEDED(hr)) hr = k.Decode(keyText);
    if (SUCCEEDED(hr) && !CryptAcquireContextW(cipherContext, nullptr, providerName, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        hr = LastErrorStatus();
    if (SUCCEEDED(hr)) hr = DigestToken(tokenText, digest);
    HCRYPTKEY key = 0;
    if (SUCCEEDED(hr)) hr = DeriveFromKeyBytes(*cipherContext, k, CALG_AES_256, CRYPT_EXPORTABLE, sha1, &key);
    if (SUCCEEDED(hr)) {
        *cipherKey = key;
        hr = SetCipherParameters(*cipherKey, digest);
    }
    // The SHA-1 hash object and the scratch buffer with K go here, on every path.
    return hr;
}

HRESULT GetCipherBlockLength(HCRYPTKEY key, DWORD* length) {
    DWORD size = sizeof *length;
    if (!CryptGetKeyParam(key, KP_BLOCKLEN, reinterpret_cast<BYTE*>(length), &size, 0)) return crypto_steps::LastErrorStatus();
    return S_OK;
}

}  // namespace qlmfile
