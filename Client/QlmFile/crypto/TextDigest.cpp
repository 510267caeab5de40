#include "TextDigest.h"

#include <string>

#include "CryptoSteps.h"

namespace qlmfile {

using namespace crypto_steps;

HRESULT HashTextSha1(LPCWSTR text, BYTE* buffer, DWORD* length) {
    HCRYPTPROV context = 0;
    TemporaryHash sha1;
    std::string ansi;

    HRESULT hr = S_OK;
    if (!CryptAcquireContextW(&context, nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        hr = LastErrorStatus();
    if (SUCCEEDED(hr)) hr = WideToAnsi(text, ansi);
    if (SUCCEEDED(hr) && !CryptCreateHash(context, CALG_SHA1, 0, 0, sha1.put())) hr = LastErrorStatus();
    if (SUCCEEDED(hr) && !CryptHashData(sha1.get(), reinterpret_cast<const BYTE*>(ansi.data()),
                                        static_cast<DWORD>(ansi.size()), 0))
        hr = LastErrorStatus();
    if (SUCCEEDED(hr) && !CryptGetHashParam(sha1.get(), HP_HASHVAL, buffer, length, 0)) hr = LastErrorStatus();

    // The hash object goes before its context.
    sha1.Destroy();
    if (context != 0) CryptReleaseContext(context, 0);
    return hr;
}

}  // namespace qlmfile
