#include "LocalEngine.h"

#include <ctime>
#include <new>
#include <string>

#include "KeyMaterial.h"
#include "KeyStore.h"
#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/utf.h"
#include "winerror.h"

namespace local_engine {
namespace {

using platform::com::UniqueBstr;

// A BSTR holding key text: zeroed before it is freed, unless handed to the caller.
class KeyBstr {
public:
    ~KeyBstr() { bstr_.Wipe(); }
    UniqueBstr& Get() { return bstr_; }

private:
    UniqueBstr bstr_;
};

// Base64 text is ASCII: widened in place, with no UTF-16 copy of a key left anywhere else.
HRESULT AllocateAscii(const std::string& text, UniqueBstr& out) {
    out.Reset(SysAllocStringLen(nullptr, static_cast<UINT>(text.size())));
    if (!out) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < text.size(); ++i) out.Get()[i] = static_cast<OLECHAR>(static_cast<unsigned char>(text[i]));
    return S_OK;
}

HRESULT AllocateText(const std::string& utf8, UniqueBstr& out) {
    const std::optional<std::u16string> wide = platform::Utf8ToUtf16(utf8);
    if (!wide) return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    out.Reset(SysAllocStringLen(wide->data(), static_cast<UINT>(wide->size())));
    return out ? S_OK : E_OUTOFMEMORY;
}

HRESULT IssueLockKeys(BSTR* keyText, BSTR* tokenText, BSTR* commentText) {
    Secret key;
    Secret token;
    HRESULT hr = RandomBase64(kKeyBytes, key);
    if (SUCCEEDED(hr)) hr = RandomBase64(kTokenBytes, token);
    if (FAILED(hr)) return hr;
    const std::time_t now = std::time(nullptr);
    const std::string comment = LockComment(now);
    const std::string lockedAt = UtcTimestamp(now);

    KeyBstr keyBstr;
    UniqueBstr tokenBstr;
    UniqueBstr commentBstr;
    hr = AllocateAscii(key.Text(), keyBstr.Get());
    if (SUCCEEDED(hr)) hr = AllocateAscii(token.Text(), tokenBstr);
    if (SUCCEEDED(hr)) hr = AllocateText(comment, commentBstr);
    if (FAILED(hr)) return hr;

    // Recorded before anything is handed out: a key that was never stored must not lock a file.
    KeyStore store;
    hr = store.Open(KeyStore::DefaultPath(), KeyStore::Mode::CreateIfMissing);
    if (SUCCEEDED(hr)) hr = store.Record({token.Text(), key.Text(), comment, lockedAt});
    if (FAILED(hr)) return hr;

    *keyText = keyBstr.Get().Release();
    *tokenText = tokenBstr.Release();
    *commentText = commentBstr.Release();
    return S_OK;
}

HRESULT LookUpUnlockKey(BSTR tokenText, BSTR* keyText) {
    if (SysStringLen(tokenText) == 0) return kUnknownToken;
    const std::optional<std::string> token =
        platform::Utf16ToUtf8(std::u16string_view(tokenText, SysStringLen(tokenText)));
    if (!token) return kUnknownToken;

    KeyStore store;
    HRESULT hr = store.Open(KeyStore::DefaultPath(), KeyStore::Mode::ExistingOnly);
    if (hr == S_FALSE) return kUnknownToken;
    if (FAILED(hr)) return hr;
    Secret key;
    hr = store.FindKey(*token, key);
    if (hr == S_FALSE) return kUnknownToken;
    if (FAILED(hr)) return hr;

    KeyBstr keyBstr;
    hr = AllocateAscii(key.Text(), keyBstr.Get());
    if (FAILED(hr)) return hr;
    *keyText = keyBstr.Get().Release();
    return S_OK;
}

}  // namespace

STDMETHODIMP LocalEngine::GetLockKeys(BSTR* keyText, BSTR* tokenText, BSTR* commentText) {
    for (BSTR* slot : {keyText, tokenText, commentText})
        if (slot != nullptr) *slot = nullptr;
    if (keyText == nullptr || tokenText == nullptr || commentText == nullptr) return E_POINTER;
    try {
        return IssueLockKeys(keyText, tokenText, commentText);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

STDMETHODIMP LocalEngine::GetUnlockKey(BSTR tokenText, BSTR commentText, BSTR* keyText) {
    (void)commentText;  // free text: handed back as issued, but it does not select the key
    if (keyText == nullptr) return E_POINTER;
    *keyText = nullptr;
    try {
        return LookUpUnlockKey(tokenText, keyText);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace local_engine
