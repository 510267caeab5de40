#pragma once
// The stand-in for the Quillmarsh engine on one machine: issues fresh keys at lock time, records
// them in the key store, and gives a key back for its token at unlock time. Entries 4 to 11 of
// IQlmEngine are not offered (E_NOTIMPL). The engine never logs or prints a key.
#include "QlmEngine.h"
#include "platform/com_object.h"

QLM_DECLARE_INTERFACE(IQlmEngine, IID_IQlmEngine);

namespace local_engine {

// The product's status for a token that the engine does not know: damaged content.
inline constexpr HRESULT kUnknownToken = static_cast<HRESULT>(0x800FF016);

class LocalEngine final : public platform::com::Implements<LocalEngine, IQlmEngine> {
public:
    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved11() override { return E_NOTIMPL; }

    // Fresh key material (32 bytes) and token (16 bytes) as Base64, a comment naming who locked and
    // when; recorded in the key store before anything is handed out. E_POINTER for a null out-slot;
    // on failure every out-slot is null.
    STDMETHODIMP GetLockKeys(BSTR* keyText, BSTR* tokenText, BSTR* commentText) override;

    // The key text recorded with this token (compared exactly). A null, empty or unknown token is
    // damaged content (0x800FF016), as is a token when no store exists yet; the comment is not
    // checked (it may be null). A store that cannot be opened gives its folded error.
    STDMETHODIMP GetUnlockKey(BSTR tokenText, BSTR commentText, BSTR* keyText) override;
};

}  // namespace local_engine
