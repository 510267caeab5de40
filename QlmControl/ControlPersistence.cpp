// QlmUI's persistence: the sixteen named values of its property bag, read and written in one order, each
// with its type and default.
#include "QlmUI.h"
#include "platform/bstr.h"
#include "platform/error_info.h"
#include "platform/variant.h"

namespace qlmcontrol {

namespace {

using platform::com::UniqueVariant;

// What a bag answers for a name it does not hold (IPropertyBag::Read's documented result).
constexpr HRESULT kNoSuchProperty = E_INVALIDARG;

// Tells the host's error log which key failed and why, and leaves the error information in place for the
// host that reads it from the failed Load.
void ReportToErrorLog(IErrorLog* log, const PropertyInfo& info, HRESULT hr) {
    if (log == nullptr) return;
    platform::com::ComPtr<IErrorInfo> error;
    if (GetErrorInfo(0, error.GetAddressOf()) != S_OK) error = nullptr;
    EXCEPINFO excep{};
    excep.scode = hr;
    if (error) {
        error->GetSource(&excep.bstrSource);
        error->GetDescription(&excep.bstrDescription);
    } else {
        excep.bstrDescription = SysAllocString(platform::com::ErrorDescription(hr).c_str());
    }
    const std::u16string key(info.name);
    log->AddError(key.c_str(), &excep);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SetErrorInfo(0, error.Get());
}

// One key: the stored value or the default, converted for the child (a date goes to its picker as it is).
HRESULT LoadValue(IPropertyBag& bag, IErrorLog* log, const PropertyInfo& info, UniqueVariant& value) {
    const std::u16string key(info.name);
    HRESULT hr = bag.Read(key.c_str(), value.Put(), log);
    if (hr == kNoSuchProperty) return DefaultOf(info, value.Put());
    if (FAILED(hr)) return hr;
    if (info.type == VT_DATE) return S_OK;
    UniqueVariant converted;
    hr = platform::com::ConvertForControl(converted.Put(), value.Get(), info.type, kErrorSource, IID__QlmUI);
    if (FAILED(hr)) return hr;
    value = std::move(converted);
    return S_OK;
}

}  // namespace

STDMETHODIMP QlmUI::GetClassID(CLSID* pClassID) {
    if (pClassID == nullptr) return E_POINTER;
    *pClassID = CLSID_QlmUI;
    return S_OK;
}

// The children keep the values they were created with; only the stored mode is set.
STDMETHODIMP QlmUI::InitNew() {
    form_.SetMode(0);
    dirty_ = false;
    return S_OK;
}

// Each value goes to its child as a put would, so the panels' rules run in the table's order (the
// notification box before the note's text, the proxy option before the server text, the dates before the
// boxes of their ends), but the host hears of no change. A key that fails ends the load: the keys before it
// keep their new values, it and those after it the values they had.
STDMETHODIMP QlmUI::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) {
    if (pPropBag == nullptr) return E_POINTER;
    for (const PropertyInfo& info : Properties()) {
        UniqueVariant value;
        HRESULT hr = LoadValue(*pPropBag, pErrorLog, info, value);
        if (SUCCEEDED(hr)) hr = AssignProperty(form_, info.id, *value.Get());
        if (FAILED(hr)) {
            ReportToErrorLog(pErrorLog, info, hr);
            return hr;
        }
    }
    dirty_ = false;
    return S_OK;
}

// A value equal to its default is not written, so a bag holds only what differs from a new control.
// fSaveAllProperties changes nothing: every value that differs from its default is written.
STDMETHODIMP QlmUI::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL) {
    if (pPropBag == nullptr) return E_POINTER;
    for (const PropertyInfo& info : Properties()) {
        UniqueVariant value;
        HRESULT hr = ReadProperty(form_, info.id, value.Put());
        if (FAILED(hr)) return hr;
        if (IsDefault(info, *value.Get())) continue;
        const std::u16string key(info.name);
        hr = pPropBag->Write(key.c_str(), value.Get());
        if (FAILED(hr)) return hr;
    }
    if (fClearDirty) dirty_ = false;
    return S_OK;
}

}  // namespace qlmcontrol
