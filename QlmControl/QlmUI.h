#pragma once
// QlmUI, the ActiveX control: its dual interface over the settings form, error information, class
// information, property-change notification, property-bag persistence, the host's show and paint
// notifications, and the surface interface through which a host acts as a person.
#include <type_traits>

#include "Properties.h"
#include "QlmUIInterface.h"
#include "SettingsForm.h"
#include "formautomation.h"
#include "ocidl.h"
#include "oleidl.h"
#include "platform/com_ptr.h"
#include "platform/connection_point.h"
#include "platform/dispatch.h"

namespace qlmcontrol {

class QlmUI final
    : public platform::com::ImplementsDispatch<QlmUI, _QlmUI, ISupportErrorInfo, IProvideClassInfo,
                                               IConnectionPointContainer, IPersistPropertyBag, IOleObject,
                                               IViewObject, IFormAutomation> {
public:
    static const platform::com::InterfaceDescription& DispatchInterface();

    // Created: the children are built and the page "Main"'s keyboard order is set.
    QlmUI() = default;

    // _QlmUI: the methods.
    STDMETHODIMP IsValidEmail(BSTR* email, VARIANT_BOOL* result) override;
    STDMETHODIMP AddReader(BSTR* reader, VARIANT* result) override;
    STDMETHODIMP GetReaders(BSTR* result) override;
    STDMETHODIMP ParseString(SAFEARRAY** SubStrs, BSTR SrcStr, BSTR Delimiter, SHORT* result) override;
    STDMETHODIMP AddUsername(BSTR* username, VARIANT_BOOL* fHasPwd, VARIANT* result) override;

    // _QlmUI: the properties, each a view of its child.
    STDMETHODIMP get_UsernameValue(BSTR* value) override { return Get(Property::UsernameValue, value); }
    STDMETHODIMP put_UsernameValue(BSTR value) override { return PutText(Property::UsernameValue, value); }
    STDMETHODIMP get_PwdValue(BSTR* value) override { return Get(Property::PwdValue, value); }
    STDMETHODIMP put_PwdValue(BSTR value) override { return PutText(Property::PwdValue, value); }
    STDMETHODIMP get_NotBeforeValue(VARIANT* value) override { return Get(Property::NotBeforeValue, value); }
    STDMETHODIMP put_NotBeforeValue(VARIANT value) override { return Put(Property::NotBeforeValue, value); }
    STDMETHODIMP get_NotAfterValue(VARIANT* value) override { return Get(Property::NotAfterValue, value); }
    STDMETHODIMP put_NotAfterValue(VARIANT value) override { return Put(Property::NotAfterValue, value); }
    STDMETHODIMP get_ProxyIEValue(VARIANT_BOOL* value) override { return Get(Property::ProxyIEValue, value); }
    STDMETHODIMP put_ProxyIEValue(VARIANT_BOOL value) override { return PutNumber(Property::ProxyIEValue, value); }
    STDMETHODIMP get_ProxyServerValue(BSTR* value) override { return Get(Property::ProxyServerValue, value); }
    STDMETHODIMP put_ProxyServerValue(BSTR value) override { return PutText(Property::ProxyServerValue, value); }
    STDMETHODIMP get_ProxyPortValue(BSTR* value) override { return Get(Property::ProxyPortValue, value); }
    STDMETHODIMP put_ProxyPortValue(BSTR value) override { return PutText(Property::ProxyPortValue, value); }
    STDMETHODIMP get_RememberMeValue(SHORT* value) override { return Get(Property::RememberMeValue, value); }
    STDMETHODIMP put_RememberMeValue(SHORT value) override { return PutNumber(Property::RememberMeValue, value); }
    STDMETHODIMP get_NotBeforeCheckValue(SHORT* value) override { return Get(Property::NotBeforeCheckValue, value); }
    STDMETHODIMP put_NotBeforeCheckValue(SHORT value) override {
        return PutNumber(Property::NotBeforeCheckValue, value);
    }
    STDMETHODIMP get_NotAfterCheckValue(SHORT* value) override { return Get(Property::NotAfterCheckValue, value); }
    STDMETHODIMP put_NotAfterCheckValue(SHORT value) override { return PutNumber(Property::NotAfterCheckValue, value); }
    STDMETHODIMP get_ReadReceiptValue(SHORT* value) override { return Get(Property::ReadReceiptValue, value); }
    STDMETHODIMP put_ReadReceiptValue(SHORT value) override { return PutNumber(Property::ReadReceiptValue, value); }
    STDMETHODIMP get_Mode(LONG* value) override { return Get(Property::Mode, value); }
    STDMETHODIMP put_Mode(LONG value) override { return PutNumber(Property::Mode, value); }
    STDMETHODIMP get_ReferenceValue(BSTR* value) override { return Get(Property::ReferenceValue, value); }
    STDMETHODIMP put_ReferenceValue(BSTR value) override { return PutText(Property::ReferenceValue, value); }
    STDMETHODIMP get_TimeNotBeforeValue(VARIANT* value) override { return Get(Property::TimeNotBeforeValue, value); }
    STDMETHODIMP put_TimeNotBeforeValue(VARIANT value) override { return Put(Property::TimeNotBeforeValue, value); }
    STDMETHODIMP get_TimeNotAfterValue(VARIANT* value) override { return Get(Property::TimeNotAfterValue, value); }
    STDMETHODIMP put_TimeNotAfterValue(VARIANT value) override { return Put(Property::TimeNotAfterValue, value); }
    STDMETHODIMP get_ShowPopUpValue(SHORT* value) override { return Get(Property::ShowPopUpValue, value); }
    STDMETHODIMP put_ShowPopUpValue(SHORT value) override { return PutNumber(Property::ShowPopUpValue, value); }

    // ISupportErrorInfo: for _QlmUI.
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // IProvideClassInfo: QlmUI's type information.
    STDMETHODIMP GetClassInfo(ITypeInfo** ppTI) override;

    // IConnectionPointContainer: IPropertyNotifySink and __QlmUI (which never hears anything).
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    // IPersistPropertyBag (ControlPersistence.cpp).
    STDMETHODIMP GetClassID(CLSID* pClassID) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
    STDMETHODIMP Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

    // IOleObject: the client site, DoVerb to show, the miscellaneous status; little else.
    STDMETHODIMP SetClientSite(IOleClientSite* pClientSite) override;
    STDMETHODIMP GetClientSite(IOleClientSite** ppClientSite) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        visible_ = false;
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** ppDataObject) override;
    STDMETHODIMP DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                        LPCRECT lprcPosRect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* pClsid) override;
    STDMETHODIMP GetUserType(DWORD, LPOLESTR* pszUserType) override;
    STDMETHODIMP SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHODIMP GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHODIMP Advise(IAdviseSink*, DWORD* pdwConnection) override;
    STDMETHODIMP Unadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
    STDMETHODIMP GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IViewObject: Draw is the paint notification; the children draw themselves.
    STDMETHODIMP Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcTargetDev,
                      HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                      BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR dwContinue), ULONG_PTR dwContinue) override;
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** ppColorSet) override;
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD* pdwFreeze) override;
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) override;

    // IFormAutomation: a host acting as a person on the settings form.
    STDMETHODIMP Present(BSTR* text) override;
    STDMETHODIMP Perform(BSTR control, BSTR gesture, BSTR argument) override;
    STDMETHODIMP Focused(BSTR* control) override;

    // Changed since it was initialised, loaded or saved with fClearDirty: a property put marks it, a
    // person's edit does not. No interface of the control has a place for it; its own code reads it.
    bool IsDirty() const { return dirty_; }
    SettingsForm& Form() { return form_; }

private:
    template <class T>
    HRESULT Get(Property id, T* value);
    // Assigns the child, then tells the advised sinks and marks the control changed.
    HRESULT Put(Property id, const VARIANT& value);
    HRESULT PutText(Property id, BSTR value);
    HRESULT PutNumber(Property id, LONG value);

    SettingsForm form_;
    platform::com::ConnectionPoint propertyNotify_{*this, IID_IPropertyNotifySink};
    platform::com::ConnectionPoint events_{*this, DIID___QlmUI};
    platform::com::ComPtr<IOleClientSite> clientSite_;
    bool dirty_ = false;
    // Visible in its host: from a showing or activating verb until OLEIVERB_HIDE or Close.
    bool visible_ = false;
};

template <class T>
HRESULT QlmUI::Get(Property id, T* value) {
    if (value == nullptr) return E_POINTER;
    VARIANT read;
    const HRESULT hr = ReadProperty(form_, id, &read);
    if (FAILED(hr)) return hr;
    // The caller owns what the variant held.
    if constexpr (std::is_same_v<T, VARIANT>)
        *value = read;
    else if constexpr (std::is_same_v<T, BSTR>)
        *value = read.bstrVal;
    else if constexpr (std::is_same_v<T, LONG>)
        *value = read.lVal;
    else
        *value = read.vt == VT_BOOL ? read.boolVal : read.iVal;
    return S_OK;
}

}  // namespace qlmcontrol
