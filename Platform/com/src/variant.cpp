// VARIANT lifetime: VariantInit, VariantClear, VariantCopy, VariantCopyInd.
#include <cstring>

#include "oleauto.h"
#include "platform/fault_injection.h"
#include "variant_types.h"
#include "winerror.h"

namespace platform::com::detail {

bool IsValidVariantType(VARTYPE vt) {
    const VARTYPE base = vt & VT_TYPEMASK;
    const VARTYPE kind = vt & ~VT_TYPEMASK;
    if ((kind & ~(VT_ARRAY | VT_BYREF)) != 0) return false;
    switch (base) {
        case VT_EMPTY:
        case VT_NULL:
            return kind == 0;
        case VT_VARIANT:
            return kind != 0;  // a variant never holds a variant by value
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_ERROR:
        case VT_BOOL:
        case VT_UNKNOWN:
        case VT_DECIMAL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
            return true;
        default:
            return false;
    }
}

ULONG ValueSize(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
            return 4;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
            return 8;
        case VT_BSTR:
        case VT_UNKNOWN:
        case VT_DISPATCH:
            return sizeof(void*);
        case VT_DECIMAL:
            return sizeof(DECIMAL);
        case VT_VARIANT:
            return sizeof(VARIANT);
        default:
            return 0;
    }
}

HRESULT ReadThrough(const VARIANT& source, VARIANT& view) {
    if ((source.vt & VT_BYREF) == 0) {
        view = source;
        return S_OK;
    }
    if (source.byref == nullptr) return E_INVALIDARG;
    const VARTYPE vt = source.vt & ~VT_BYREF;
    VariantInit(&view);
    if (vt == VT_VARIANT) {
        if ((source.pvarVal->vt & VT_BYREF) != 0) return E_INVALIDARG;
        view = *source.pvarVal;
        return S_OK;
    }
    if ((vt & VT_ARRAY) != 0) {
        view.parray = *source.pparray;
    } else if (vt == VT_DECIMAL) {
        view.decVal = *source.pdecVal;  // overlays vt, which is set below
    } else {
        std::memcpy(&view.llVal, source.byref, ValueSize(vt));
    }
    view.vt = vt;
    return S_OK;
}

HRESULT CopyOwnedValue(VARIANT& dest, const VARIANT& source) {
    dest = source;
    if ((source.vt & VT_BYREF) != 0) return S_OK;
    if ((source.vt & VT_ARRAY) != 0) {
        dest.parray = nullptr;
        const HRESULT hr = SafeArrayCopy(source.parray, &dest.parray);
        if (FAILED(hr)) dest.vt = VT_EMPTY;
        return hr;
    }
    switch (source.vt) {
        case VT_BSTR:
            if (source.bstrVal != nullptr) {
                dest.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source.bstrVal),
                                                     SysStringByteLen(source.bstrVal));
                if (dest.bstrVal == nullptr) {
                    dest.vt = VT_EMPTY;
                    return E_OUTOFMEMORY;
                }
            }
            return S_OK;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (source.punkVal != nullptr) source.punkVal->AddRef();
            return S_OK;
        default:
            return S_OK;
    }
}

HRESULT ReplaceVariant(VARIANT& dest, VARIANT& value) {
    const HRESULT hr = VariantClear(&dest);
    if (FAILED(hr)) {
        VariantClear(&value);
        return hr;
    }
    dest = value;
    VariantInit(&value);
    return S_OK;
}

}  // namespace platform::com::detail

using platform::com::detail::CopyOwnedValue;
using platform::com::detail::IsValidVariantType;
using platform::com::detail::ReadThrough;

extern "C" {

void WINAPI VariantInit(VARIANTARG* pvarg) {
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

HRESULT WINAPI VariantClear(VARIANTARG* pvarg) {
    if (pvarg == nullptr) return E_INVALIDARG;
    if (!IsValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
    if ((pvarg->vt & VT_BYREF) == 0) {
        if ((pvarg->vt & VT_ARRAY) != 0) {
            const HRESULT hr = SafeArrayDestroy(pvarg->parray);
            if (FAILED(hr)) return hr;
        } else if (pvarg->vt == VT_BSTR) {
            SysFreeString(pvarg->bstrVal);
        } else if ((pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) && pvarg->punkVal != nullptr) {
            pvarg->punkVal->Release();
        }
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
    if (auto injected = platform::fault::Check("VariantCopy")) return HRESULT_FROM_WIN32(*injected);
    if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    if (!IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    const HRESULT cleared = VariantClear(pvargDest);
    if (FAILED(cleared)) return cleared;
    return CopyOwnedValue(*pvargDest, *pvargSrc);
}

HRESULT WINAPI VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
    if (auto injected = platform::fault::Check("VariantCopyInd")) return HRESULT_FROM_WIN32(*injected);
    if (pvarDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
    if (!IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    if ((pvargSrc->vt & VT_BYREF) == 0) return VariantCopy(pvarDest, pvargSrc);
    VARIANT view;
    HRESULT hr = ReadThrough(*pvargSrc, view);
    if (FAILED(hr)) return hr;
    // Copy before clearing: the destination may be the source, or what the source refers to.
    VARIANT copy;
    hr = CopyOwnedValue(copy, view);
    if (FAILED(hr)) return hr;
    return platform::com::detail::ReplaceVariant(*pvarDest, copy);
}

}  // extern "C"
