#include "CryptoSteps.h"

#include <cstring>

#include "Base64.h"
#include "Status.h"
#include "Wipe.h"

namespace qlmfile::crypto_steps {

KeyBytes::~KeyBytes() {
    if (buffer_) WipeBytes(buffer_.get(), capacity_);
}

HRESULT KeyBytes::Decode(LPCSTR keyText) {
    capacity_ = keyText != nullptr ? static_cast<DWORD>(std::strlen(keyText)) : 0;
    if (capacity_ != 0) buffer_.reset(new BYTE[capacity_]);
    DWORD length = capacity_;
    if (!DecodeBase64(keyText, capacity_, buffer_.get(), &length)) return QLM_E_EMPTY_KEY;
    size_ = length;
    return S_OK;
}

HRESULT DeriveFromKeyBytes(HCRYPTPROV context, const KeyBytes& k, ALG_ID algid, DWORD flags, TemporaryHash& sha1,
                           HCRYPTKEY* keySlot) {
    HRESULT hr = S_OK;
    if (!CryptCreateHash(context, CALG_SHA1, 0, 0, sha1.put())) hr = LastErrorStatus();
    if (SUCCEEDED(hr) && !CryptHashData(sha1.get(), k.data(), k.size(), 0)) hr = LastErrorStatus();
    if (SUCCEEDED(hr) && !CryptDeriveKey(context, algid, sha1.get(), flags, keySlot)) hr = LastErrorStatus();
    return hr;
}

HRESULT AnsiToWide(LPCSTR text, std::u16string& wide) {
    const int needed = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (needed == 0) return LastErrorStatus();
    wide.assign(static_cast<std::size_t>(needed), u'\0');
    if (MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, wide.data(), needed) == 0) return LastErrorStatus();
    wide.resize(static_cast<std::size_t>(needed) - 1);  // without the terminator
    return S_OK;
}

HRESULT WideToAnsi(LPCWSTR text, std::string& ansi) {
    const int needed = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed == 0) return LastErrorStatus();
    ansi.assign(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, ansi.data(), needed, nullptr, nullptr) == 0)
        return LastErrorStatus();
    ansi.resize(static_cast<std::size_t>(needed) - 1);
    return S_OK;
}

}  // namespace qlmfile::crypto_steps
