#include "PropertyBag.h"

#include "Messages.h"
#include "ValueText.h"
#include "platform/utf.h"
#include "platform/variant.h"

namespace qlmhost {

using platform::com::UniqueVariant;

STDMETHODIMP HostPropertyBag::Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) {
    if (pszPropName == nullptr || pVar == nullptr) return E_POINTER;
    const std::u16string name(pszPropName);
    lastName_ = name;
    refusal_.clear();
    namesSeen_.insert(name);

    const VARIANT* stored = values_.Find(name);
    if (stored == nullptr) return E_INVALIDARG;

    const VARTYPE wanted = pVar->vt;
    UniqueVariant copy;
    const HRESULT hr = wanted == VT_EMPTY ? VariantCopy(copy.Put(), stored)
                                          : VariantChangeType(copy.Put(), stored, 0, wanted);
    if (FAILED(hr)) {
        refusal_ = "the value " + Quote(FormatValue(*stored)) + " cannot be read as " + TypeName(wanted) + ": " +
                   Describe(hr);
        if (pErrorLog != nullptr) {
            EXCEPINFO info{};
            info.scode = hr;
            const auto description = platform::Utf8ToUtf16(refusal_);
            info.bstrDescription = SysAllocString(description ? description->c_str() : u"");
            pErrorLog->AddError(pszPropName, &info);
            SysFreeString(info.bstrDescription);
        }
        return E_FAIL;
    }
    // *pVar carries only the type asked for: it is overwritten, not cleared, as callers set vt alone.
    *pVar = copy.Release();
    return S_OK;
}

STDMETHODIMP HostPropertyBag::Write(LPCOLESTR pszPropName, VARIANT* pVar) {
    if (pszPropName == nullptr || pVar == nullptr) return E_POINTER;
    lastName_ = pszPropName;
    refusal_.clear();
    UniqueVariant value;
    HRESULT hr = VariantCopyInd(value.Put(), pVar);
    if (SUCCEEDED(hr)) hr = CheckBagType(*value.Get());
    if (hr == DISP_E_BADVARTYPE) {
        refusal_ = "a value of type " + TypeName(pVar->vt) + " cannot be kept in a bag file";
        return hr;
    }
    if (FAILED(hr)) return hr;
    return values_.Set(pszPropName, *value.Get());
}

std::vector<std::u16string> HostPropertyBag::NamesNotRead() const {
    std::vector<std::u16string> names;
    for (const auto& item : values_.Items())
        if (!namesSeen_.count(item.name)) names.push_back(item.name);
    return names;
}

STDMETHODIMP HostErrorLog::AddError(LPCOLESTR pszPropName, EXCEPINFO* pExcepInfo) {
    if (pExcepInfo == nullptr) return E_POINTER;
    if (pExcepInfo->pfnDeferredFillIn != nullptr) pExcepInfo->pfnDeferredFillIn(pExcepInfo);
    LoggedError error;
    error.name = pszPropName != nullptr ? pszPropName : u"";
    error.hr = StatusOfException(*pExcepInfo);
    if (pExcepInfo->bstrDescription != nullptr)
        error.description.assign(pExcepInfo->bstrDescription, SysStringLen(pExcepInfo->bstrDescription));
    errors_.push_back(std::move(error));
    return S_OK;
}

HRESULT StatusOfException(const EXCEPINFO& info) {
    if (info.scode != 0) return info.scode;
    // A wCode is an automation error number; as a status it is 0x800A0000 | wCode.
    if (info.wCode != 0) return static_cast<HRESULT>(0x800A0000u | info.wCode);
    return DISP_E_EXCEPTION;
}

}  // namespace qlmhost
