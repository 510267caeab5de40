#include "StampComments.h"

#include "platform/com_ptr.h"
#include "propidl.h"

namespace qlmfile {
namespace {

// WriteMultiple's first identifier for named properties; no names are written, so it only has to be valid.
constexpr PROPID kFirstNamedId = PIDSI_COMMENTS;

HRESULT OpenPropertySets(LPCWSTR path, IPropertySetStorage** setStorage) {
    return StgOpenStorageEx(path, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, STGFMT_ANY, 0, nullptr, nullptr,
                            IID_IPropertySetStorage, reinterpret_cast<void**>(setStorage));
}

HRESULT CreateSummaryInformation(IPropertySetStorage* setStorage, IPropertyStorage** propertyStorage) {
    return setStorage->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_DEFAULT,
                              STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, propertyStorage);
}

HRESULT WriteComments(IPropertyStorage* propertyStorage, LPCSTR text) {
    PROPSPEC comments{};
    comments.ulKind = PRSPEC_PROPID;
    comments.propid = PIDSI_COMMENTS;
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_LPSTR;
    value.pszVal = const_cast<LPSTR>(text);  // only read
    return propertyStorage->WriteMultiple(1, &comments, &value, kFirstNamedId);
}

}  // namespace

HRESULT StampComments(LPCWSTR path, LPCSTR text) {
    platform::com::ComPtr<IPropertySetStorage> setStorage;
    platform::com::ComPtr<IPropertyStorage> propertyStorage;
    HRESULT hr = OpenPropertySets(path, setStorage.GetAddressOf());
    if (SUCCEEDED(hr)) hr = CreateSummaryInformation(setStorage.Get(), propertyStorage.GetAddressOf());
    if (SUCCEEDED(hr)) hr = WriteComments(propertyStorage.Get(), text);
    if (SUCCEEDED(hr)) hr = propertyStorage->Commit(STGC_DEFAULT);
    // The property storage before the set storage that gave it.
    propertyStorage = nullptr;
    setStorage = nullptr;
    return hr;
}

}  // namespace qlmfile
