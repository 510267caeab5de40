#include "IntegrityHash.h"

#include "CryptoSteps.h"

namespace qlmfile {

using namespace crypto_steps;

HRESULT CreateIntegrityHash(LPCSTR keyText, HCRYPTPROV* context, HCRYPTKEY* key, HCRYPTHASH* hash) {
    KeyBytes k;
    TemporaryHash sha1;

    HRESULT hr = k.Decode(keyText);
    if (SUCCEEDED(hr) && !CryptAcquireContextW(context, nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        hr = LastErrorStatus();
    // RC2 with flags 0: the provider's default length of 128 bits, the first 16 bytes of SHA-1(K).
    if (SUCCEEDED(hr)) hr = DeriveFromKeyBytes(*context, k, CALG_RC2, 0, sha1, key);
    if (SUCCEEDED(hr) && !CryptCreateHash(*context, CALG_HMAC, *key, 0, hash)) hr = LastErrorStatus();
    if (SUCCEEDED(hr)) {
        HMAC_INFO info = {};
        info.HashAlgid = CALG_SHA1;  // no inner or outer string: RFC 2104's pads
        if (!CryptSetHashParam(*hash, HP_HMAC_INFO, reinterpret_cast<const BYTE*>(&info), 0)) hr = LastErrorStatus();
    }
    // The SHA-1 hash object and the scratch buffer with K go here, on every path.
    return hr;
}

}  // namespace qlmfile
