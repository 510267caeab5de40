#include "QlmUI.h"

#include <string_view>
#include <vector>

#include "ReaderAddresses.h"
#include "TypeLibrary.h"
#include "platform/forms/form_automation.h"
#include "platform/safe_array.h"

namespace qlmcontrol {

namespace {

std::u16string_view View(BSTR text) {
    return text != nullptr ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view();
}

HRESULT CopyOut(std::u16string_view text, BSTR* out) {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The segments as ParseString hands them over: index 0 empty, then each segment.
HRESULT SegmentArray(const std::vector<std::u16string>& segments, SAFEARRAY** out) {
    platform::com::UniqueSafeArray array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(segments.size() + 1)));
    if (!array) return E_OUTOFMEMORY;
    BSTR* elements = nullptr;
    HRESULT hr = SafeArrayAccessData(array.Get(), reinterpret_cast<void**>(&elements));
    if (FAILED(hr)) return hr;
    // The array owns what is stored in it: destroying it frees the strings made so far.
    elements[0] = SysAllocString(u"");
    bool made = elements[0] != nullptr;
    for (std::size_t i = 0; made && i < segments.size(); ++i) {
        elements[i + 1] = SysAllocStringLen(segments[i].data(), static_cast<UINT>(segments[i].size()));
        made = elements[i + 1] != nullptr;
    }
    SafeArrayUnaccessData(array.Get());
    if (!made) return E_OUTOFMEMORY;
    *out = array.Release();
    return S_OK;
}

// The extent a host gives the control when it places it: 7815 x 3870 twips, in HIMETRIC.
constexpr LONG TwipsToHimetric(LONG twips) { return static_cast<LONG>(twips * 2540LL / 1440); }

}  // namespace

const platform::com::InterfaceDescription& QlmUI::DispatchInterface() { return QlmUIInterface(); }

// ---- Methods ------------------------------------------------------------------------------------

STDMETHODIMP QlmUI::IsValidEmail(BSTR* email, VARIANT_BOOL* result) {
    if (email == nullptr || result == nullptr) return E_POINTER;
    *result = qlmcontrol::IsValidEmail(View(*email)) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP QlmUI::AddReader(BSTR* reader, VARIANT* result) {
    if (reader == nullptr) return E_POINTER;
    if (result != nullptr) VariantInit(result);
    return form_.AddReader(View(*reader));
}

STDMETHODIMP QlmUI::GetReaders(BSTR* result) {
    if (result == nullptr) return E_POINTER;
    return CopyOut(form_.GetReaders(), result);
}

// Delimiter is accepted and not consulted: the separators are always comma and semicolon.
STDMETHODIMP QlmUI::ParseString(SAFEARRAY** SubStrs, BSTR SrcStr, BSTR, SHORT* result) {
    if (SubStrs == nullptr || result == nullptr) return E_POINTER;
    std::vector<std::u16string> segments;
    HRESULT hr = ParseSegments(View(SrcStr), segments);
    if (FAILED(hr)) return hr;
    SAFEARRAY* replacement = nullptr;
    hr = SegmentArray(segments, &replacement);
    if (FAILED(hr)) return hr;
    if (*SubStrs != nullptr) SafeArrayDestroy(*SubStrs);
    *SubStrs = replacement;
    *result = static_cast<SHORT>(segments.size());
    return S_OK;
}

STDMETHODIMP QlmUI::AddUsername(BSTR* username, VARIANT_BOOL* fHasPwd, VARIANT* result) {
    if (username == nullptr || fHasPwd == nullptr) return E_POINTER;
    if (result != nullptr) VariantInit(result);
    return form_.AddUsername(View(*username), *fHasPwd != VARIANT_FALSE);
}

// ---- Properties ---------------------------------------------------------------------------------

HRESULT QlmUI::Put(Property id, const VARIANT& value) {
    const HRESULT hr = AssignProperty(form_, id, value);
    if (FAILED(hr)) return hr;
    dirty_ = true;
    // Also for a value equal to the one held: the host hears of every put.
    platform::com::NotifyChanged(propertyNotify_, InfoOf(id).dispid);
    return S_OK;
}

HRESULT QlmUI::PutText(Property id, BSTR value) {
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = value;  // lent, not owned
    return Put(id, text);
}

HRESULT QlmUI::PutNumber(Property id, LONG value) {
    VARIANT number;
    VariantInit(&number);
    number.vt = InfoOf(id).type;
    if (number.vt == VT_I4)
        number.lVal = value;
    else if (number.vt == VT_BOOL)
        number.boolVal = static_cast<VARIANT_BOOL>(value);
    else
        number.iVal = static_cast<SHORT>(value);
    return Put(id, number);
}

// ---- Error and class information, connection points ---------------------------------------------

STDMETHODIMP QlmUI::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID__QlmUI) ? S_OK : S_FALSE;
}

STDMETHODIMP QlmUI::GetClassInfo(ITypeInfo** ppTI) {
    return platform::com::GetTypeInfoOfGuid(QuillmarshLibrary(), CLSID_QlmUI, ppTI);
}

STDMETHODIMP QlmUI::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    if (ppEnum != nullptr) *ppEnum = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP QlmUI::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    return platform::com::FindConnectionPoint({&propertyNotify_, &events_}, riid, ppCP);
}

// ---- IOleObject ---------------------------------------------------------------------------------

STDMETHODIMP QlmUI::SetClientSite(IOleClientSite* pClientSite) {
    clientSite_ = platform::com::ComPtr<IOleClientSite>(pClientSite);
    return S_OK;
}

STDMETHODIMP QlmUI::GetClientSite(IOleClientSite** ppClientSite) { return clientSite_.CopyTo(ppClientSite); }

STDMETHODIMP QlmUI::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk != nullptr) *ppmk = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP QlmUI::GetClipboardData(DWORD, IDataObject** ppDataObject) {
    if (ppDataObject != nullptr) *ppDataObject = nullptr;
    return E_NOTIMPL;
}

// The shown notification: each show (a host shows the control again when its window reappears), and an
// activation that makes a hidden control visible. Activating a control that is already visible (a host does
// so when the user clicks into it) shows nothing new, and must not replace a password typed since with the
// remembered user's placeholder.
STDMETHODIMP QlmUI::DoVerb(LONG iVerb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) {
    switch (iVerb) {
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN: break;
    case OLEIVERB_PRIMARY:
    case OLEIVERB_UIACTIVATE:
    case OLEIVERB_INPLACEACTIVATE:
        if (visible_) return S_OK;
        break;
    case OLEIVERB_HIDE:
        visible_ = false;
        return S_OK;
    default: return iVerb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
    }
    visible_ = true;
    return form_.Shown();
}

STDMETHODIMP QlmUI::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
    if (ppEnumOleVerb != nullptr) *ppEnumOleVerb = nullptr;
    return OLEOBJ_E_NOVERBS;
}

STDMETHODIMP QlmUI::GetUserClassID(CLSID* pClsid) {
    if (pClsid == nullptr) return E_POINTER;
    *pClsid = CLSID_QlmUI;
    return S_OK;
}

STDMETHODIMP QlmUI::GetUserType(DWORD, LPOLESTR* pszUserType) {
    if (pszUserType != nullptr) *pszUserType = nullptr;
    return E_NOTIMPL;
}

// The control has no handling of its own size: the children keep their places whatever it is given.
STDMETHODIMP QlmUI::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (psizel == nullptr) return E_POINTER;
    return dwDrawAspect == DVASPECT_CONTENT ? S_OK : E_FAIL;
}

STDMETHODIMP QlmUI::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (psizel == nullptr) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return E_FAIL;
    psizel->cx = TwipsToHimetric(form_.Surface().Width());
    psizel->cy = TwipsToHimetric(form_.Surface().Height());
    return S_OK;
}

STDMETHODIMP QlmUI::Advise(IAdviseSink*, DWORD* pdwConnection) {
    if (pdwConnection != nullptr) *pdwConnection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP QlmUI::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (ppenumAdvise != nullptr) *ppenumAdvise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP QlmUI::GetMiscStatus(DWORD, DWORD* pdwStatus) {
    if (pdwStatus == nullptr) return E_POINTER;
    *pdwStatus = kQlmUIMiscStatus;
    return S_OK;
}

// ---- IViewObject --------------------------------------------------------------------------------

STDMETHODIMP QlmUI::Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL,
                         BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    return form_.Painted();
}

STDMETHODIMP QlmUI::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** ppColorSet) {
    if (ppColorSet != nullptr) *ppColorSet = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP QlmUI::Freeze(DWORD, LONG, void*, DWORD* pdwFreeze) {
    if (pdwFreeze != nullptr) *pdwFreeze = 0;
    return E_NOTIMPL;
}

STDMETHODIMP QlmUI::GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) {
    if (pAspects != nullptr) *pAspects = 0;
    if (pAdvf != nullptr) *pAdvf = 0;
    if (ppAdvSink != nullptr) *ppAdvSink = nullptr;
    return E_NOTIMPL;
}

// ---- IFormAutomation ----------------------------------------------------------------------------

STDMETHODIMP QlmUI::Present(BSTR* text) { return platform::forms::PresentForm(form_.Surface(), text); }

STDMETHODIMP QlmUI::Perform(BSTR control, BSTR gesture, BSTR argument) {
    return platform::forms::PerformGesture(form_.Surface(), View(control), View(gesture), View(argument));
}

STDMETHODIMP QlmUI::Focused(BSTR* control) { return platform::forms::FocusedControlName(form_.Surface(), control); }

}  // namespace qlmcontrol
