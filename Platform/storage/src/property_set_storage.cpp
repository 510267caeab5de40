// StgOpenStorageEx on a flat file, and the IPropertySetStorage that it gives: the file's property sets.
#include <new>
#include <optional>
#include <string>

#include "attribute_file.h"
#include "coml2api.h"
#include "platform/com_object.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"
#include "property_set_file.h"
#include "property_storage.h"
#include "propidl.h"
#include "winerror.h"

namespace platform::storage {
namespace {

constexpr DWORD kAccessMask = STGM_WRITE | STGM_READWRITE;
constexpr DWORD kShareMask = 0x70;

bool IsWriteAccess(DWORD grfMode) { return (grfMode & kAccessMask) != 0; }

// The mode of a set's Create or Open: exclusive, as Windows requires of property storages.
HRESULT CheckSetMode(DWORD grfMode, bool creating) {
    const DWORD allowed = kAccessMask | kShareMask | STGM_TRANSACTED | (creating ? STGM_CREATE : 0);
    if ((grfMode & ~allowed) != 0 || (grfMode & kAccessMask) == kAccessMask) return STG_E_INVALIDFLAG;
    if ((grfMode & kShareMask) != STGM_SHARE_EXCLUSIVE) return STG_E_INVALIDFLAG;
    if (creating && !IsWriteAccess(grfMode)) return STG_E_INVALIDFLAG;
    return S_OK;
}

HRESULT Injected(const char* point) {
    if (auto value = fault::Check(point)) return HRESULT_FROM_WIN32(*value);
    return S_OK;
}

class PropertySetStorage final : public com::Implements<PropertySetStorage, IPropertySetStorage> {
public:
    explicit PropertySetStorage(std::shared_ptr<PropertySetFile> file) : file_(std::move(file)) {}

    STDMETHODIMP Create(REFFMTID rfmtid, const CLSID* pclsid, DWORD grfFlags, DWORD grfMode,
                        IPropertyStorage** ppprstg) override {
        if (const HRESULT hr = Injected("IPropertySetStorage::Create"); FAILED(hr)) return hr;
        if (ppprstg == nullptr) return STG_E_INVALIDPOINTER;
        *ppprstg = nullptr;
        if ((grfFlags & ~static_cast<DWORD>(PROPSETFLAG_ANSI | PROPSETFLAG_UNBUFFERED)) != 0) return STG_E_INVALIDFLAG;
        if (const HRESULT hr = CheckSetMode(grfMode, true); FAILED(hr)) return hr;
        if (!PropertySetFile::IsKept(rfmtid)) return STG_E_UNIMPLEMENTEDFUNCTION;
        if (!file_->Writable()) return STG_E_ACCESSDENIED;
        if ((grfMode & STGM_CREATE) == 0) {
            bool exists = false;
            if (const HRESULT hr = file_->Exists(rfmtid, exists); FAILED(hr)) return hr;
            if (exists) return STG_E_FILEALREADYEXISTS;
        }
        PropertySet set;
        set.fmtid = rfmtid;
        set.clsid = pclsid != nullptr ? *pclsid : CLSID_NULL;
        set.osVersion = kWriterOsVersion;
        set.codePage = kCodePageUtf8;  // the ANSI code page, whichever flag asked for it
        return Hand(std::move(set), grfMode, false, ppprstg);
    }

    STDMETHODIMP Open(REFFMTID rfmtid, DWORD grfMode, IPropertyStorage** ppprstg) override {
        if (const HRESULT hr = Injected("IPropertySetStorage::Open"); FAILED(hr)) return hr;
        if (ppprstg == nullptr) return STG_E_INVALIDPOINTER;
        *ppprstg = nullptr;
        if (const HRESULT hr = CheckSetMode(grfMode, false); FAILED(hr)) return hr;
        if (!PropertySetFile::IsKept(rfmtid)) return STG_E_UNIMPLEMENTEDFUNCTION;
        if (IsWriteAccess(grfMode) && !file_->Writable()) return STG_E_ACCESSDENIED;
        PropertySet set;
        if (const HRESULT hr = file_->Load(rfmtid, set); FAILED(hr)) return hr;
        return Hand(std::move(set), grfMode, true, ppprstg);
    }

    STDMETHODIMP Delete(REFFMTID rfmtid) override {
        if (const HRESULT hr = Injected("IPropertySetStorage::Delete"); FAILED(hr)) return hr;
        if (!PropertySetFile::IsKept(rfmtid)) return STG_E_UNIMPLEMENTEDFUNCTION;
        if (!file_->Writable()) return STG_E_ACCESSDENIED;
        if (!file_->MarkOpen(rfmtid)) return STG_E_ACCESSDENIED;
        const HRESULT hr = file_->Delete(rfmtid);
        file_->MarkClosed(rfmtid);
        return hr;
    }

    STDMETHODIMP Enum(IEnumSTATPROPSETSTG** ppenum) override {
        if (ppenum != nullptr) *ppenum = nullptr;
        return E_NOTIMPL;
    }

private:
    // A property storage over set, for the caller; the set counts as open from here on.
    HRESULT Hand(PropertySet set, DWORD grfMode, bool onDisk, IPropertyStorage** ppprstg) {
        const FMTID fmtid = set.fmtid;
        if (!file_->MarkOpen(fmtid)) return STG_E_ACCESSDENIED;
        com::ComPtr<PropertyStorage> storage;
        try {
            storage = com::Make<PropertyStorage>(file_, std::move(set), grfMode, onDisk);
        } catch (const std::bad_alloc&) {
        }
        if (!storage) {
            file_->MarkClosed(fmtid);
            return STG_E_INSUFFICIENTMEMORY;
        }
        *ppprstg = storage.Detach();
        return S_OK;
    }

    std::shared_ptr<PropertySetFile> file_;
};

HRESULT CheckOpenMode(DWORD grfMode) {
    if ((grfMode & ~(kAccessMask | kShareMask)) != 0 || (grfMode & kAccessMask) == kAccessMask) return STG_E_INVALIDFLAG;
    if ((grfMode & kShareMask) > STGM_SHARE_DENY_NONE) return STG_E_INVALIDFLAG;
    return S_OK;
}

HRESULT OpenStorage(const WCHAR* pwcsName, DWORD grfMode, STGFMT stgfmt, DWORD grfAttrs, STGOPTIONS* pStgOptions,
                    PSECURITY_DESCRIPTOR pSecurityDescriptor, REFIID riid, void** ppObjectOpen) {
    if (ppObjectOpen == nullptr) return STG_E_INVALIDPOINTER;
    *ppObjectOpen = nullptr;
    if (stgfmt == STGFMT_STORAGE || stgfmt == STGFMT_DOCFILE) return STG_E_UNIMPLEMENTEDFUNCTION;  // compound files
    if (stgfmt != STGFMT_ANY && stgfmt != STGFMT_FILE) return STG_E_INVALIDFLAG;
    if (grfAttrs != 0 || pStgOptions != nullptr || pSecurityDescriptor != nullptr) return STG_E_INVALIDPARAMETER;
    if (const HRESULT hr = CheckOpenMode(grfMode); FAILED(hr)) return hr;
    if (!IsEqualIID(riid, IID_IPropertySetStorage) && !IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
    if (pwcsName == nullptr) return STG_E_INVALIDNAME;
    const std::optional<std::string> path = Utf16ToUtf8(std::u16string_view(pwcsName, WideLength(pwcsName)));
    if (!path) return STG_E_INVALIDNAME;

    std::shared_ptr<AttributeFile> file;
    if (const HRESULT hr = AttributeFile::Open(*path, grfMode, file); FAILED(hr)) return hr;
    auto storage = com::Make<PropertySetStorage>(std::make_shared<PropertySetFile>(std::move(file)));
    if (!storage) return STG_E_INSUFFICIENTMEMORY;
    return storage->QueryInterface(riid, ppObjectOpen);
}

}  // namespace
}  // namespace platform::storage

extern "C" HRESULT WINAPI StgOpenStorageEx(const WCHAR* pwcsName, DWORD grfMode, STGFMT stgfmt, DWORD grfAttrs,
                                           STGOPTIONS* pStgOptions, PSECURITY_DESCRIPTOR pSecurityDescriptor,
                                           REFIID riid, void** ppObjectOpen) {
    if (auto injected = platform::fault::Check("StgOpenStorageEx")) return HRESULT_FROM_WIN32(*injected);
    try {
        return platform::storage::OpenStorage(pwcsName, grfMode, stgfmt, grfAttrs, pStgOptions, pSecurityDescriptor,
                                              riid, ppObjectOpen);
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
}
