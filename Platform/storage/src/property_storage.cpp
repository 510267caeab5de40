#include "property_storage.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "combaseapi.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"
#include "winerror.h"

namespace platform::storage {
namespace {

// A property that a caller may name: by identifier only (names need the dictionary, not kept here).
HRESULT CheckPropertyNamed(const PROPSPEC& property) {
    if (property.ulKind == PRSPEC_LPWSTR) return STG_E_UNIMPLEMENTEDFUNCTION;
    if (property.ulKind != PRSPEC_PROPID) return STG_E_INVALIDPARAMETER;
    return S_OK;
}

// The dictionary, the code page and the read-only range are the set's own, not the caller's.
bool IsWritableId(PROPID id) { return id != PID_DICTIONARY && id != PID_CODEPAGE && id < PID_MIN_READONLY; }

HRESULT ValueFrom(const PROPVARIANT& in, PropertyValue& out) {
    switch (in.vt) {
        case VT_I2: out = PropertyValue::I2(in.iVal); return S_OK;
        case VT_I4: out = PropertyValue::I4(in.lVal); return S_OK;
        case VT_FILETIME: out = PropertyValue::Time(in.filetime); return S_OK;
        // A null string is stored as the empty one.
        case VT_LPSTR: out = PropertyValue::Ansi(in.pszVal != nullptr ? in.pszVal : ""); return S_OK;
        case VT_LPWSTR:
            out = PropertyValue::Wide(in.pwszVal != nullptr ? std::u16string(in.pwszVal, WideLength(in.pwszVal))
                                                            : std::u16string());
            return S_OK;
        default: return STG_E_INVALIDPARAMETER;
    }
}

template <class Char>
Char* TaskMemCopy(const std::basic_string<Char>& text) {
    auto* copy = static_cast<Char*>(CoTaskMemAlloc((text.size() + 1) * sizeof(Char)));
    if (copy != nullptr) {
        std::memcpy(copy, text.data(), text.size() * sizeof(Char));
        copy[text.size()] = 0;
    }
    return copy;
}

// The caller's copy of value; STG_E_INSUFFICIENTMEMORY leaves out VT_EMPTY.
HRESULT ValueTo(const PropertyValue& value, PROPVARIANT& out) {
    PropVariantInit(&out);
    switch (value.type) {
        case VT_I2: out.iVal = static_cast<SHORT>(value.number); break;
        case VT_I4: out.lVal = value.number; break;
        case VT_FILETIME: out.filetime = value.time; break;
        case VT_LPSTR:
            out.pszVal = TaskMemCopy(value.text);
            if (out.pszVal == nullptr) return STG_E_INSUFFICIENTMEMORY;
            break;
        case VT_LPWSTR:
            out.pwszVal = TaskMemCopy(value.wideText);
            if (out.pwszVal == nullptr) return STG_E_INSUFFICIENTMEMORY;
            break;
        default: return STG_E_UNIMPLEMENTEDFUNCTION;
    }
    out.vt = value.type;
    return S_OK;
}

HRESULT Injected(const char* point) {
    if (auto value = fault::Check(point)) return HRESULT_FROM_WIN32(*value);
    return S_OK;
}

}  // namespace

PropertyStorage::PropertyStorage(std::shared_ptr<PropertySetFile> file, PropertySet set, DWORD grfMode, bool onDisk)
    : file_(std::move(file)),
      current_(set),
      committed_(std::move(set)),
      writable_((grfMode & (STGM_WRITE | STGM_READWRITE)) != 0),
      transacted_((grfMode & STGM_TRANSACTED) != 0),
      onDisk_(onDisk) {}

PropertyStorage::~PropertyStorage() {
    // Direct mode: what the caller wrote and did not commit still reaches the file.
    if (writable_ && !transacted_ && Pending()) {
        try {
            file_->Store(current_);
        } catch (const std::bad_alloc&) {
        }
    }
    file_->MarkClosed(current_.fmtid);
}

STDMETHODIMP PropertyStorage::ReadMultiple(ULONG cpspec, const PROPSPEC rgpspec[], PROPVARIANT rgpropvar[]) {
    if (const HRESULT hr = Injected("IPropertyStorage::ReadMultiple"); FAILED(hr)) return hr;
    if (cpspec == 0) return S_FALSE;
    if (rgpspec == nullptr || rgpropvar == nullptr) return STG_E_INVALIDPOINTER;
    for (ULONG i = 0; i < cpspec; ++i) PropVariantInit(&rgpropvar[i]);
    for (ULONG i = 0; i < cpspec; ++i) {
        if (const HRESULT hr = CheckPropertyNamed(rgpspec[i]); FAILED(hr)) return hr;
        if (rgpspec[i].propid == PID_DICTIONARY) return STG_E_INVALIDPARAMETER;
    }
    bool found = false;
    for (ULONG i = 0; i < cpspec; ++i) {
        const PROPID id = rgpspec[i].propid;
        HRESULT hr = S_OK;
        if (id == PID_CODEPAGE) {
            rgpropvar[i].vt = VT_I2;
            rgpropvar[i].iVal = static_cast<SHORT>(current_.codePage);
        } else if (const auto it = current_.properties.find(id); it != current_.properties.end()) {
            hr = ValueTo(it->second, rgpropvar[i]);
        } else {
            continue;
        }
        if (FAILED(hr)) {
            FreePropVariantArray(i, rgpropvar);
            return hr;
        }
        found = true;
    }
    return found ? S_OK : S_FALSE;
}

STDMETHODIMP PropertyStorage::WriteMultiple(ULONG cpspec, const PROPSPEC rgpspec[], const PROPVARIANT rgpropvar[],
                                            PROPID propidNameFirst) {
    if (const HRESULT hr = Injected("IPropertyStorage::WriteMultiple"); FAILED(hr)) return hr;
    if (cpspec == 0) return S_OK;
    if (rgpspec == nullptr || rgpropvar == nullptr) return STG_E_INVALIDPOINTER;
    if (!writable_) return STG_E_ACCESSDENIED;
    if (propidNameFirst < PID_FIRST_USABLE || propidNameFirst >= PID_MIN_READONLY) return STG_E_INVALIDPARAMETER;
    try {
        std::vector<std::pair<PROPID, PropertyValue>> staged;
        staged.reserve(cpspec);
        for (ULONG i = 0; i < cpspec; ++i) {
            if (const HRESULT hr = CheckPropertyNamed(rgpspec[i]); FAILED(hr)) return hr;
            if (!IsWritableId(rgpspec[i].propid)) return STG_E_INVALIDPARAMETER;
            PropertyValue value;
            if (const HRESULT hr = ValueFrom(rgpropvar[i], value); FAILED(hr)) return hr;
            staged.emplace_back(rgpspec[i].propid, std::move(value));
        }
        for (auto& [id, value] : staged) current_.properties.insert_or_assign(id, std::move(value));
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
    dirty_ = true;
    return S_OK;
}

STDMETHODIMP PropertyStorage::DeleteMultiple(ULONG cpspec, const PROPSPEC rgpspec[]) {
    if (const HRESULT hr = Injected("IPropertyStorage::DeleteMultiple"); FAILED(hr)) return hr;
    if (cpspec == 0) return S_OK;
    if (rgpspec == nullptr) return STG_E_INVALIDPOINTER;
    if (!writable_) return STG_E_ACCESSDENIED;
    for (ULONG i = 0; i < cpspec; ++i) {
        if (const HRESULT hr = CheckPropertyNamed(rgpspec[i]); FAILED(hr)) return hr;
        if (!IsWritableId(rgpspec[i].propid)) return STG_E_INVALIDPARAMETER;
    }
    for (ULONG i = 0; i < cpspec; ++i) dirty_ |= current_.properties.erase(rgpspec[i].propid) != 0;
    return S_OK;
}

STDMETHODIMP PropertyStorage::Commit(DWORD grfCommitFlags) {
    if (const HRESULT hr = Injected("IPropertyStorage::Commit"); FAILED(hr)) return hr;
    constexpr DWORD kKnown = STGC_OVERWRITE | STGC_ONLYIFCURRENT | STGC_DANGEROUSLYCOMMITMERELYTODISKCACHE | STGC_CONSOLIDATE;
    if ((grfCommitFlags & ~kKnown) != 0) return STG_E_INVALIDFLAG;
    if (!writable_ || !Pending()) return S_OK;
    try {
        if (const HRESULT hr = file_->Store(current_); FAILED(hr)) return hr;
        committed_ = current_;
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
    onDisk_ = true;
    dirty_ = false;
    return S_OK;
}

STDMETHODIMP PropertyStorage::Revert() {
    try {
        current_ = committed_;
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
    dirty_ = false;
    return S_OK;
}

STDMETHODIMP PropertyStorage::Enum(IEnumSTATPROPSTG** ppenum) {
    if (ppenum != nullptr) *ppenum = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP PropertyStorage::Stat(STATPROPSETSTG* pstatpsstg) {
    if (pstatpsstg == nullptr) return STG_E_INVALIDPOINTER;
    *pstatpsstg = STATPROPSETSTG{};
    pstatpsstg->fmtid = current_.fmtid;
    pstatpsstg->clsid = current_.clsid;
    // As Windows reports it: every code page but UTF-16 is an "ANSI" set.
    pstatpsstg->grfFlags = current_.codePage == kCodePageUtf16 ? PROPSETFLAG_DEFAULT : PROPSETFLAG_ANSI;
    pstatpsstg->dwOSVersion = current_.osVersion;
    return S_OK;
}

}  // namespace platform::storage
