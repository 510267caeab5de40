#include "PipelineKeys.h"

#include "crypto/CipherKey.h"
#include "crypto/CryptoSteps.h"
#include "crypto/IntegrityHash.h"
#include "crypto/Wipe.h"

namespace qlmfile {

HRESULT KeyText::Narrow() { return crypto_steps::WideToAnsi(text_.Get() != nullptr ? text_.Get() : u"", ansi_); }

void KeyText::Wipe() noexcept {
    text_.Wipe();
    WipeBytes(ansi_.data(), ansi_.size());
}

void CipherHandles::Release() noexcept {
    if (key != 0) CryptDestroyKey(key);
    key = 0;
    if (context != 0) CryptReleaseContext(context, 0);
    context = 0;
}

void IntegrityHandles::Release() noexcept {
    if (hash != 0) CryptDestroyHash(hash);
    hash = 0;
    if (key != 0) CryptDestroyKey(key);
    key = 0;
    if (context != 0) CryptReleaseContext(context, 0);
    context = 0;
}

HRESULT SetUpKeys(LPCSTR keyText, LPCSTR tokenText, CipherHandles& cipher, IntegrityHandles& integrity,
                  DWORD& chunkSize) {
    HRESULT hr = CreateCipherKey(&cipher.context, &cipher.key, keyText, tokenText);
    if (SUCCEEDED(hr)) hr = CreateIntegrityHash(keyText, &integrity.context, &integrity.key, &integrity.hash);
    DWORD blockLength = 0;
    if (SUCCEEDED(hr)) hr = GetCipherBlockLength(cipher.key, &blockLength);
    if (FAILED(hr)) return hr;
    chunkSize = ChunkSizeFor(blockLength);
    // Only a block length that leaves no chunk in the work buffer gets here; AES's 128 bits never do.
    return chunkSize != 0 ? S_OK : NTE_BAD_LEN;
}

}  // namespace qlmfile
