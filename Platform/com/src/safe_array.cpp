// SAFEARRAY with the Windows descriptor: bounds stored right-most dimension first, elements in
// column-major order (the left-most index varies fastest), the element type kept in the four bytes
// before the descriptor (FADF_HAVEVARTYPE).
#include <cstdlib>
#include <cstring>
#include <limits>

#include "oleauto.h"
#include "platform/fault_injection.h"
#include "variant_types.h"
#include "winerror.h"

namespace {

using platform::com::detail::ValueSize;

// Room before the descriptor: Windows keeps an IID or record pointer there; we keep the VARTYPE in
// its last four bytes.
constexpr std::size_t kPrefix = 16;
constexpr ULONG kMaxLocks = 65535;

std::size_t DescriptorSize(UINT cDims) { return sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND); }

BYTE* BlockOf(SAFEARRAY* psa) { return reinterpret_cast<BYTE*>(psa) - kPrefix; }

VARTYPE& StoredVartype(SAFEARRAY* psa) {
    return *reinterpret_cast<VARTYPE*>(reinterpret_cast<BYTE*>(psa) - sizeof(DWORD));
}

bool IsElementType(VARTYPE vt) {
    switch (vt) {
        case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
        case VT_I8: case VT_UI8: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BOOL: case VT_ERROR:
        case VT_DECIMAL: case VT_BSTR: case VT_VARIANT: case VT_UNKNOWN: case VT_DISPATCH:
            return true;
        default:
            return false;
    }
}

USHORT FeaturesOf(VARTYPE vt) {
    switch (vt) {
        case VT_BSTR: return FADF_HAVEVARTYPE | FADF_BSTR;
        case VT_VARIANT: return FADF_HAVEVARTYPE | FADF_VARIANT;
        case VT_UNKNOWN: return FADF_HAVEVARTYPE | FADF_UNKNOWN;
        case VT_DISPATCH: return FADF_HAVEVARTYPE | FADF_DISPATCH;
        default: return FADF_HAVEVARTYPE;
    }
}

// Number of elements in all dimensions but the right-most one (the one SafeArrayRedim changes).
bool InnerCount(const SAFEARRAY* psa, std::size_t& count) {
    count = 1;
    for (USHORT i = 1; i < psa->cDims; ++i) {
        if (__builtin_mul_overflow(count, psa->rgsabound[i].cElements, &count)) return false;
    }
    return true;
}

// Number of elements, if they fit in memory at all.
bool ElementCount(const SAFEARRAY* psa, std::size_t& count) {
    std::size_t bytes = 0;
    return InnerCount(psa, count) && !__builtin_mul_overflow(count, psa->rgsabound[0].cElements, &count) &&
           !__builtin_mul_overflow(count, std::size_t{psa->cbElements}, &bytes);
}

void* ElementAt(SAFEARRAY* psa, std::size_t index) { return static_cast<BYTE*>(psa->pvData) + index * psa->cbElements; }

// Frees what the elements [first, last) own and zeroes them.
void ReleaseElements(SAFEARRAY* psa, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
        void* element = ElementAt(psa, i);
        if (psa->fFeatures & FADF_BSTR) {
            SysFreeString(*static_cast<BSTR*>(element));
        } else if (psa->fFeatures & FADF_VARIANT) {
            VariantClear(static_cast<VARIANT*>(element));
        } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
            if (IUnknown* unknown = *static_cast<IUnknown**>(element)) unknown->Release();
        }
    }
    if (last > first) std::memset(ElementAt(psa, first), 0, (last - first) * psa->cbElements);
}

// Copies one element into an empty slot of the same type: a new BSTR, a variant copy, a reference.
HRESULT CopyElement(USHORT features, ULONG size, const void* from, void* to) {
    if (features & FADF_BSTR) {
        const BSTR source = *static_cast<const BSTR*>(from);
        BSTR copy = nullptr;
        if (source != nullptr) {
            copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source), SysStringByteLen(source));
            if (copy == nullptr) return E_OUTOFMEMORY;
        }
        *static_cast<BSTR*>(to) = copy;
        return S_OK;
    }
    if (features & FADF_VARIANT) {
        VariantInit(static_cast<VARIANT*>(to));
        return VariantCopy(static_cast<VARIANT*>(to), static_cast<const VARIANT*>(from));
    }
    std::memcpy(to, from, size);
    if (features & (FADF_UNKNOWN | FADF_DISPATCH))
        if (IUnknown* unknown = *static_cast<IUnknown* const*>(from)) unknown->AddRef();
    return S_OK;
}

// The element's position in the data, or DISP_E_BADINDEX. rgIndices[0] is the left-most dimension,
// whose bound is stored last.
HRESULT OffsetOf(const SAFEARRAY* psa, const LONG* rgIndices, std::size_t& index) {
    index = 0;
    std::size_t stride = 1;
    for (USHORT k = 0; k < psa->cDims; ++k) {
        const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - 1 - k];
        const LONGLONG position = LONGLONG{rgIndices[k]} - bound.lLbound;
        if (position < 0 || position >= bound.cElements) return DISP_E_BADINDEX;
        index += static_cast<std::size_t>(position) * stride;
        stride *= bound.cElements;
    }
    return S_OK;
}

SAFEARRAY* AllocateDescriptor(VARTYPE vt, UINT cDims) {
    auto* block = static_cast<BYTE*>(std::calloc(1, kPrefix + DescriptorSize(cDims)));
    if (block == nullptr) return nullptr;
    auto* psa = reinterpret_cast<SAFEARRAY*>(block + kPrefix);
    psa->cDims = static_cast<USHORT>(cDims);
    psa->fFeatures = FeaturesOf(vt);
    psa->cbElements = ValueSize(vt);
    StoredVartype(psa) = vt;
    return psa;
}

void FreeArray(SAFEARRAY* psa) {
    std::free(psa->pvData);
    std::free(BlockOf(psa));
}

// A locked scope for the element calls, so that nobody destroys the array under them.
class ArrayLock {
public:
    explicit ArrayLock(SAFEARRAY* psa) : psa_(psa) { ++psa_->cLocks; }
    ~ArrayLock() { --psa_->cLocks; }
    ArrayLock(const ArrayLock&) = delete;
    ArrayLock& operator=(const ArrayLock&) = delete;

private:
    SAFEARRAY* psa_;
};

}  // namespace

extern "C" {

SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
    if (platform::fault::Check("SafeArrayCreate")) return nullptr;
    if (cDims == 0 || cDims > 0xFFFF || rgsabound == nullptr || !IsElementType(vt)) return nullptr;
    SAFEARRAY* psa = AllocateDescriptor(vt, cDims);
    if (psa == nullptr) return nullptr;
    for (UINT i = 0; i < cDims; ++i) psa->rgsabound[cDims - 1 - i] = rgsabound[i];
    std::size_t count = 0;
    if (!ElementCount(psa, count)) {
        FreeArray(psa);
        return nullptr;
    }
    if (count > 0) {
        psa->pvData = std::calloc(count, psa->cbElements);
        if (psa->pvData == nullptr) {
            FreeArray(psa);
            return nullptr;
        }
    }
    return psa;
}

SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    if (platform::fault::Check("SafeArrayCreateVector")) return nullptr;
    SAFEARRAYBOUND bound{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* psa) {
    if (psa == nullptr) return S_OK;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    std::size_t count = 0;
    if (ElementCount(psa, count)) ReleaseElements(psa, 0, count);
    FreeArray(psa);
    return S_OK;
}

HRESULT WINAPI SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew) {
    if (auto injected = platform::fault::Check("SafeArrayRedim")) return HRESULT_FROM_WIN32(*injected);
    if (psa == nullptr || psaboundNew == nullptr) return E_INVALIDARG;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    std::size_t inner = 0;
    std::size_t oldCount = 0;
    std::size_t newCount = 0;
    if (!InnerCount(psa, inner) || !ElementCount(psa, oldCount) ||
        __builtin_mul_overflow(inner, psaboundNew->cElements, &newCount) ||
        newCount > std::numeric_limits<std::size_t>::max() / psa->cbElements)
        return E_OUTOFMEMORY;
    if (newCount < oldCount) {
        ReleaseElements(psa, newCount, oldCount);
        if (newCount == 0) {
            std::free(psa->pvData);
            psa->pvData = nullptr;
        } else if (void* smaller = std::realloc(psa->pvData, newCount * psa->cbElements)) {
            psa->pvData = smaller;  // a failed shrink keeps the larger block, which still fits
        }
    } else if (newCount > oldCount) {
        void* larger = std::realloc(psa->pvData, newCount * psa->cbElements);
        if (larger == nullptr) return E_OUTOFMEMORY;
        psa->pvData = larger;
        std::memset(ElementAt(psa, oldCount), 0, (newCount - oldCount) * psa->cbElements);
    }
    psa->rgsabound[0] = *psaboundNew;
    return S_OK;
}

HRESULT WINAPI SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
    if (auto injected = platform::fault::Check("SafeArrayCopy")) return HRESULT_FROM_WIN32(*injected);
    if (ppsaOut == nullptr) return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (psa == nullptr) return S_OK;
    std::size_t count = 0;
    if (!ElementCount(psa, count)) return E_OUTOFMEMORY;
    SAFEARRAY* copy = AllocateDescriptor(StoredVartype(psa), psa->cDims);
    if (copy == nullptr) return E_OUTOFMEMORY;
    copy->fFeatures = psa->fFeatures;
    copy->cbElements = psa->cbElements;
    std::memcpy(copy->rgsabound, psa->rgsabound, psa->cDims * sizeof(SAFEARRAYBOUND));
    if (count > 0) {
        copy->pvData = std::calloc(count, copy->cbElements);
        if (copy->pvData == nullptr) {
            FreeArray(copy);
            return E_OUTOFMEMORY;
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        const HRESULT hr = CopyElement(psa->fFeatures, psa->cbElements, ElementAt(psa, i), ElementAt(copy, i));
        if (FAILED(hr)) {
            SafeArrayDestroy(copy);  // the elements not reached are still zero
            return hr;
        }
    }
    *ppsaOut = copy;
    return S_OK;
}

UINT WINAPI SafeArrayGetDim(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cDims; }

UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cbElements; }

HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (psa == nullptr || plLbound == nullptr) return E_INVALIDARG;
    if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
    return S_OK;
}

HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (psa == nullptr || plUbound == nullptr) return E_INVALIDARG;
    if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
    *plUbound = static_cast<LONG>(LONGLONG{bound.lLbound} + bound.cElements - 1);
    return S_OK;
}

HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (psa == nullptr || pvt == nullptr) return E_INVALIDARG;
    if (psa->fFeatures & FADF_HAVEVARTYPE)
        *pvt = StoredVartype(psa);
    else if (psa->fFeatures & FADF_BSTR)
        *pvt = VT_BSTR;
    else if (psa->fFeatures & FADF_VARIANT)
        *pvt = VT_VARIANT;
    else if (psa->fFeatures & FADF_UNKNOWN)
        *pvt = VT_UNKNOWN;
    else if (psa->fFeatures & FADF_DISPATCH)
        *pvt = VT_DISPATCH;
    else
        return E_INVALIDARG;
    return S_OK;
}

HRESULT WINAPI SafeArrayLock(SAFEARRAY* psa) {
    if (psa == nullptr) return E_INVALIDARG;
    if (psa->cLocks >= kMaxLocks) return E_UNEXPECTED;
    ++psa->cLocks;
    return S_OK;
}

HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* psa) {
    if (psa == nullptr) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (psa == nullptr || ppvData == nullptr) return E_INVALIDARG;
    const HRESULT hr = SafeArrayLock(psa);
    *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
    return hr;
}

HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

HRESULT WINAPI SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData) {
    if (psa == nullptr || rgIndices == nullptr || ppvData == nullptr) return E_INVALIDARG;
    std::size_t index = 0;
    const HRESULT hr = OffsetOf(psa, rgIndices, index);
    if (FAILED(hr)) return hr;
    *ppvData = ElementAt(psa, index);
    return S_OK;
}

HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (auto injected = platform::fault::Check("SafeArrayGetElement")) return HRESULT_FROM_WIN32(*injected);
    if (psa == nullptr || rgIndices == nullptr || pv == nullptr) return E_INVALIDARG;
    std::size_t index = 0;
    const HRESULT hr = OffsetOf(psa, rgIndices, index);
    if (FAILED(hr)) return hr;
    ArrayLock lock(psa);
    return CopyElement(psa->fFeatures, psa->cbElements, ElementAt(psa, index), pv);
}

HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (auto injected = platform::fault::Check("SafeArrayPutElement")) return HRESULT_FROM_WIN32(*injected);
    if (psa == nullptr || rgIndices == nullptr) return E_INVALIDARG;
    std::size_t index = 0;
    HRESULT hr = OffsetOf(psa, rgIndices, index);
    if (FAILED(hr)) return hr;
    ArrayLock lock(psa);
    void* element = ElementAt(psa, index);
    if (psa->fFeatures & FADF_VARIANT) {
        if (pv == nullptr) return E_INVALIDARG;
        return VariantCopy(static_cast<VARIANT*>(element), static_cast<const VARIANT*>(pv));
    }
    if (psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH)) {
        // The BSTR or interface pointer itself, not a pointer to it. Copy first: pv may be the element.
        void* copy = nullptr;
        hr = CopyElement(psa->fFeatures, psa->cbElements, &pv, &copy);
        if (FAILED(hr)) return hr;
        ReleaseElements(psa, index, index + 1);
        std::memcpy(element, &copy, sizeof copy);
        return S_OK;
    }
    if (pv == nullptr) return E_INVALIDARG;
    std::memcpy(element, pv, psa->cbElements);
    return S_OK;
}

}  // extern "C"
