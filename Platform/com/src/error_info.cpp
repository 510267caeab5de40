// Error information: the object behind CreateErrorInfo, the per-thread slot of SetErrorInfo and
// GetErrorInfo, and the platform's helpers that raise errors through them.
#include <string>

#include "errhandlingapi.h"
#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/com_object.h"
#include "platform/error_info.h"
#include "platform/fault_injection.h"
#include "winbase.h"
#include "winerror.h"

namespace {

using platform::com::ComPtr;
using platform::com::UniqueBstr;

// A copy of `text` for a caller's out-parameter; a text never set gives a null BSTR.
HRESULT CopyOut(const UniqueBstr& text, BSTR* out) {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (!text) return S_OK;
    *out = SysAllocStringLen(text.Get(), text.Length());
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CopyIn(LPOLESTR text, UniqueBstr& into) {
    BSTR copy = nullptr;
    if (text != nullptr && (copy = SysAllocString(text)) == nullptr) return E_OUTOFMEMORY;
    into.Reset(copy);
    return S_OK;
}

class ErrorInfo final : public platform::com::Implements<ErrorInfo, IErrorInfo, ICreateErrorInfo> {
public:
    STDMETHODIMP GetGUID(GUID* pGUID) override {
        if (pGUID == nullptr) return E_INVALIDARG;
        *pGUID = guid_;
        return S_OK;
    }
    STDMETHODIMP GetSource(BSTR* pBstrSource) override { return CopyOut(source_, pBstrSource); }
    STDMETHODIMP GetDescription(BSTR* pBstrDescription) override { return CopyOut(description_, pBstrDescription); }
    STDMETHODIMP GetHelpFile(BSTR* pBstrHelpFile) override { return CopyOut(helpFile_, pBstrHelpFile); }
    STDMETHODIMP GetHelpContext(DWORD* pdwHelpContext) override {
        if (pdwHelpContext == nullptr) return E_INVALIDARG;
        *pdwHelpContext = helpContext_;
        return S_OK;
    }

    STDMETHODIMP SetGUID(REFGUID rguid) override {
        guid_ = rguid;
        return S_OK;
    }
    STDMETHODIMP SetSource(LPOLESTR szSource) override { return CopyIn(szSource, source_); }
    STDMETHODIMP SetDescription(LPOLESTR szDescription) override { return CopyIn(szDescription, description_); }
    STDMETHODIMP SetHelpFile(LPOLESTR szHelpFile) override { return CopyIn(szHelpFile, helpFile_); }
    STDMETHODIMP SetHelpContext(DWORD dwHelpContext) override {
        helpContext_ = dwHelpContext;
        return S_OK;
    }

private:
    GUID guid_ = GUID_NULL;
    UniqueBstr source_;
    UniqueBstr description_;
    UniqueBstr helpFile_;
    DWORD helpContext_ = 0;
};

// One per thread, as on Windows: an error raised on one thread is never read on another.
thread_local ComPtr<IErrorInfo> t_errorInfo;

}  // namespace

extern "C" {

HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
    if (auto injected = platform::fault::Check("CreateErrorInfo")) return HRESULT_FROM_WIN32(*injected);
    if (pperrinfo == nullptr) return E_INVALIDARG;
    *pperrinfo = nullptr;
    ComPtr<ErrorInfo> info = platform::com::Make<ErrorInfo>();
    if (!info) return E_OUTOFMEMORY;
    *pperrinfo = static_cast<ICreateErrorInfo*>(info.Detach());
    return S_OK;
}

HRESULT WINAPI SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo) {
    if (dwReserved != 0) return E_INVALIDARG;
    t_errorInfo = ComPtr<IErrorInfo>(perrinfo);
    return S_OK;
}

HRESULT WINAPI GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo) {
    if (pperrinfo == nullptr || dwReserved != 0) return E_INVALIDARG;
    *pperrinfo = t_errorInfo.Detach();
    return *pperrinfo != nullptr ? S_OK : S_FALSE;
}

}  // extern "C"

namespace platform::com {

HRESULT RaiseError(HRESULT hr, std::u16string_view description, std::u16string_view source, REFIID iid) {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.GetAddressOf()))) return hr;
    // The texts need their terminating NUL; a view may not have one.
    std::u16string descriptionText(description);
    std::u16string sourceText(source);
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create->SetGUID(iid)) && SUCCEEDED(create->SetDescription(descriptionText.data())) &&
        SUCCEEDED(create->SetSource(sourceText.data())) && SUCCEEDED(create.As(&info)))
        SetErrorInfo(0, info.Get());
    return hr;
}

HRESULT RaiseStandardError(HRESULT hr, std::u16string_view source, REFIID iid) {
    return RaiseError(hr, ErrorDescription(hr), source, iid);
}

std::u16string ErrorDescription(HRESULT hr) {
    // Looking the text up must not disturb the caller's last error.
    const DWORD lastError = GetLastError();
    LPWSTR text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::u16string description(text == nullptr ? u"" : text, length);
    LocalFree(text);
    SetLastError(lastError);
    while (!description.empty() && (description.back() == u'\n' || description.back() == u'\r' ||
                                    description.back() == u'.' || description.back() == u' '))
        description.pop_back();
    return description;
}

HRESULT ControlErrorFromConversion(HRESULT hr, const VARIANT* source) {
    switch (hr) {
        case DISP_E_TYPEMISMATCH: {
            const VARIANT* value = source;
            if (value != nullptr && value->vt == (VT_BYREF | VT_VARIANT)) value = value->pvarVal;
            const bool isNull = value != nullptr && value->vt == VT_NULL;
            return isNull ? CTL_E_INVALIDUSEOFNULL : CTL_E_TYPEMISMATCH;
        }
        case DISP_E_OVERFLOW:
            return CTL_E_OVERFLOW;
        case E_OUTOFMEMORY:
            return CTL_E_OUTOFMEMORY;
        default:
            return hr;
    }
}

HRESULT ConvertForControl(VARIANT* dest, const VARIANT* source, VARTYPE vt, std::u16string_view errorSource,
                          REFIID iid) {
    const HRESULT hr = VariantChangeType(dest, source, 0, vt);
    if (SUCCEEDED(hr)) return hr;
    return RaiseStandardError(ControlErrorFromConversion(hr, source), errorSource, iid);
}

}  // namespace platform::com
