// PropVariantClear and FreePropVariantArray: freeing what a PROPVARIANT owns.
#include "combaseapi.h"
#include "oleauto.h"
#include "propidl.h"
#include "winerror.h"

extern "C" HRESULT WINAPI PropVariantClear(PROPVARIANT* pvar) {
    if (pvar == nullptr) return S_OK;
    switch (pvar->vt) {
        case VT_EMPTY: case VT_NULL: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
        case VT_INT: case VT_UINT: case VT_I8: case VT_UI8: case VT_R4: case VT_R8: case VT_CY: case VT_DATE:
        case VT_BOOL: case VT_ERROR: case VT_FILETIME:
            break;
        case VT_BSTR: SysFreeString(pvar->bstrVal); break;
        case VT_LPSTR: CoTaskMemFree(pvar->pszVal); break;
        case VT_LPWSTR: CoTaskMemFree(pvar->pwszVal); break;
        case VT_CLSID: CoTaskMemFree(pvar->puuid); break;
        case VT_BLOB:
        case VT_BLOB_OBJECT: CoTaskMemFree(pvar->blob.pBlobData); break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (pvar->punkVal != nullptr) pvar->punkVal->Release();
            break;
        default: return STG_E_INVALIDPARAMETER;
    }
    PropVariantInit(pvar);
    return S_OK;
}

extern "C" HRESULT WINAPI FreePropVariantArray(ULONG cVariants, PROPVARIANT* rgvars) {
    if (cVariants != 0 && rgvars == nullptr) return E_INVALIDARG;
    HRESULT result = S_OK;
    for (ULONG i = 0; i < cVariants; ++i) {
        if (FAILED(PropVariantClear(&rgvars[i]))) result = STG_E_INVALIDPARAMETER;
    }
    return result;
}
