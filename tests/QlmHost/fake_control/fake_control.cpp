#include "fake_control.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "objbase.h"
#include "oleidl.h"
#include "platform/bstr.h"
#include "platform/class_registry.h"
#include "platform/connection_point.h"
#include "platform/dispatch.h"
#include "platform/error_info.h"
#include "platform/safe_array.h"
#include "platform/variant.h"

namespace fakecontrol {
namespace {

using namespace platform::com;

const MemberDescription kMembers[] = {
    PropertyGet<&IFakeControl::get_Name>(u"Name", kDispidName),
    PropertyPut<&IFakeControl::put_Name>(u"Name", kDispidName),
    PropertyGet<&IFakeControl::get_Count>(u"Count", kDispidCount),
    PropertyPut<&IFakeControl::put_Count>(u"Count", kDispidCount),
    PropertyGet<&IFakeControl::get_When>(u"When", kDispidWhen),
    PropertyPut<&IFakeControl::put_When>(u"When", kDispidWhen),
    PropertyGet<&IFakeControl::get_Flag>(u"Flag", kDispidFlag, nullptr, Retval(VT_BOOL)),
    PropertyPut<&IFakeControl::put_Flag>(u"Flag", kDispidFlag, nullptr, Param(u"value", VT_BOOL)),
    PropertyGet<&IFakeControl::get_Mode>(u"Mode", kDispidMode),
    PropertyPut<&IFakeControl::put_Mode>(u"Mode", kDispidMode),
    PropertyGet<&IFakeControl::get_Log>(u"Log", kDispidLog),
    Method<&IFakeControl::Upper>(u"Upper", kDispidUpper, nullptr, u"text", Retval()),
    Method<&IFakeControl::Split>(u"Split", kDispidSplit, nullptr, u"parts", u"text", Retval()),
    Method<&IFakeControl::IsGood>(u"IsGood", kDispidIsGood, nullptr, u"text", Retval(VT_BOOL)),
};

// {9A0C3C62-6C38-4D0B-9E53-2D6B1A6E5F10}
constexpr GUID kLibid = {0x9A0C3C62, 0x6C38, 0x4D0B, {0x9E, 0x53, 0x2D, 0x6B, 0x1A, 0x6E, 0x5F, 0x10}};
extern const TypeLibraryDescription kLibrary;
const InterfaceDescription kInterface{u"IFakeControl", nullptr, IID_IFakeControl,
                                      TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE, true, kMembers, &kLibrary};
const ImplementedInterface kImplemented[] = {{&kInterface, IMPLTYPEFLAG_FDEFAULT}};
const ClassDescription kClass{u"FakeControl", nullptr, CLSID_FakeControl, TYPEFLAG_FCONTROL, kImplemented};
const InterfaceDescription* const kInterfaces[] = {&kInterface};
const ClassDescription* const kClasses[] = {&kClass};
const TypeLibraryDescription kLibrary{u"FakeControls", nullptr, kLibid, 1, 0, 0x0409, LIBFLAG_FCONTROL,
                                      kInterfaces, kClasses};

constexpr DATE kDefaultWhen = 39647.0;  // 18 July 2008
constexpr DATE kFirstDay = -109205.0;   // 1 January 1601
constexpr DATE kLastDay = 2958465.0;    // 31 December 9999
constexpr std::u16string_view kSource = u"FakeControl";

std::u16string_view View(BSTR s) { return {s ? s : u"", SysStringLen(s)}; }

HRESULT PutText(std::u16string_view text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

class FakeControl final : public ImplementsDispatch<FakeControl, IFakeControl, ISupportErrorInfo,
                                                    IConnectionPointContainer, IPersistPropertyBag, IOleObject,
                                                    IViewObject, IFormAutomation> {
public:
    static const InterfaceDescription& DispatchInterface() { return kInterface; }

    FakeControl() { Record(u"created"); }

    // With $FAKE_CONTROL_NO_TYPEINFO set, the control gives its host no type information.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
        if (std::getenv("FAKE_CONTROL_NO_TYPEINFO") == nullptr) return ImplementsDispatch::GetTypeInfoCount(pctinfo);
        if (pctinfo == nullptr) return E_INVALIDARG;
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** ppTInfo) override {
        if (std::getenv("FAKE_CONTROL_NO_TYPEINFO") == nullptr) return ImplementsDispatch::GetTypeInfo(index, lcid, ppTInfo);
        if (ppTInfo != nullptr) *ppTInfo = nullptr;
        return DISP_E_BADINDEX;
    }

    // ---- IFakeControl ----
    STDMETHODIMP get_Name(BSTR* value) override { return PutText(name_, value); }
    STDMETHODIMP put_Name(BSTR value) override {
        name_ = View(value);
        return Changed(kDispidName);
    }
    STDMETHODIMP get_Count(SHORT* value) override {
        *value = count_;
        return S_OK;
    }
    STDMETHODIMP put_Count(SHORT value) override {
        if (value < 0 || value > 2) return RaiseStandardError(CTL_E_INVALIDPROPERTYVALUE, kSource, IID_IFakeControl);
        count_ = value;
        return Changed(kDispidCount);
    }
    STDMETHODIMP get_When(VARIANT* value) override {
        VariantInit(value);
        value->vt = VT_DATE;
        value->date = when_;
        return S_OK;
    }
    STDMETHODIMP put_When(VARIANT value) override {
        const HRESULT hr = SetWhen(value);
        return FAILED(hr) ? hr : Changed(kDispidWhen);
    }
    STDMETHODIMP get_Flag(VARIANT_BOOL* value) override {
        *value = flag_;
        return S_OK;
    }
    STDMETHODIMP put_Flag(VARIANT_BOOL value) override {
        flag_ = value ? VARIANT_TRUE : VARIANT_FALSE;
        return Changed(kDispidFlag);
    }
    STDMETHODIMP get_Mode(LONG* value) override {
        *value = mode_;
        return S_OK;
    }
    STDMETHODIMP put_Mode(LONG value) override {
        mode_ = value;
        return Changed(kDispidMode);
    }
    STDMETHODIMP get_Log(BSTR* value) override { return PutText(log_, value); }
    STDMETHODIMP Upper(BSTR* text, VARIANT* result) override {
        std::u16string upper(View(*text));
        for (char16_t& c : upper)
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        UniqueBstr replaced;
        HRESULT hr = PutText(upper, replaced.Put());
        if (FAILED(hr)) return hr;
        SysFreeString(*text);
        *text = replaced.Release();
        VariantInit(result);
        return S_OK;
    }
    STDMETHODIMP Split(SAFEARRAY** parts, BSTR text, SHORT* count) override {
        std::vector<std::u16string> pieces{u""};
        std::u16string_view rest = View(text);
        while (!rest.empty()) {
            const auto comma = rest.find(u',');
            pieces.emplace_back(rest.substr(0, comma));
            rest = comma == std::u16string_view::npos ? std::u16string_view() : rest.substr(comma + 1);
        }
        UniqueSafeArray array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(pieces.size())));
        if (!array) return E_OUTOFMEMORY;
        for (LONG i = 0; i < static_cast<LONG>(pieces.size()); ++i) {
            UniqueBstr piece;
            HRESULT hr = PutText(pieces[i], piece.Put());
            if (SUCCEEDED(hr)) hr = SafeArrayPutElement(array.Get(), &i, piece.Get());
            if (FAILED(hr)) return hr;
        }
        if (*parts != nullptr) SafeArrayDestroy(*parts);
        *parts = array.Release();
        *count = static_cast<SHORT>(pieces.size() - 1);
        return S_OK;
    }
    STDMETHODIMP IsGood(BSTR* text, VARIANT_BOOL* good) override {
        *good = View(*text).find(u'@') != std::u16string_view::npos ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    // ---- ISupportErrorInfo ----
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualIID(riid, IID_IFakeControl) ? S_OK : S_FALSE;
    }

    // ---- IConnectionPointContainer ----
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
        return platform::com::FindConnectionPoint({&notifications_}, riid, ppCP);
    }

    // ---- IPersistPropertyBag ----
    STDMETHODIMP GetClassID(CLSID* clsid) override {
        *clsid = CLSID_FakeControl;
        return S_OK;
    }
    STDMETHODIMP InitNew() override {
        Record(u"initnew");
        mode_ = 0;
        return S_OK;
    }
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog*) override {
        Record(u"load");
        UniqueVariant value;
        HRESULT hr = Read(bag, u"Name", VT_BSTR, value);
        if (hr == S_OK) name_ = View(value->bstrVal);
        if (SUCCEEDED(hr)) hr = Read(bag, u"Count", VT_I2, value);
        if (hr == S_OK) {
            if (value->iVal < 0 || value->iVal > 2)
                return RaiseStandardError(CTL_E_INVALIDPROPERTYVALUE, kSource, IID_IFakeControl);
            count_ = value->iVal;
        }
        if (SUCCEEDED(hr)) hr = Read(bag, u"When", VT_VARIANT, value);
        if (hr == S_OK) hr = SetWhen(*value.Get());
        if (SUCCEEDED(hr)) hr = Read(bag, u"Flag", VT_BOOL, value);
        if (hr == S_OK) flag_ = value->boolVal;
        if (SUCCEEDED(hr)) hr = Read(bag, u"Mode", VT_I4, value);
        if (hr == S_OK) mode_ = value->lVal;
        return FAILED(hr) ? hr : S_OK;
    }
    STDMETHODIMP Save(IPropertyBag* bag, BOOL, BOOL) override {
        Record(u"save");
        HRESULT hr = S_OK;
        auto write = [&](const char16_t* key, UniqueVariant value, bool isDefault) {
            if (SUCCEEDED(hr) && !isDefault) hr = bag->Write(key, value.Get());
        };
        write(u"Name", UniqueVariant::FromString(name_), name_.empty());
        write(u"Count", UniqueVariant::FromShort(count_), count_ == 0);
        write(u"When", UniqueVariant::FromDate(when_), when_ == kDefaultWhen);
        write(u"Flag", UniqueVariant::FromBool(flag_ != VARIANT_FALSE), flag_ != VARIANT_FALSE);
        write(u"Mode", UniqueVariant::FromLong(mode_), mode_ == 0);
        return hr;
    }

    // ---- IOleObject ----
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        Record(site ? u"site" : u"nosite");
        site_ = ComPtr<IOleClientSite>(site);
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override { return site_.CopyTo(site); }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override { return S_OK; }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override {
        if (verb != OLEIVERB_SHOW) return E_NOTIMPL;
        Record(u"shown");
        return S_OK;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // ---- IViewObject ----
    STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        Record(u"painted");
        return S_OK;
    }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }

    // ---- IFormAutomation: a text box NameBox, a button AddButton, and Locked, which no one reaches ----
    STDMETHODIMP Present(BSTR* text) override {
        if (text == nullptr) return E_POINTER;
        return PutText(u"TextBox NameBox " + name_ + (focus_ == u"NameBox" ? u" focus" : u"") +
                           u"\nCommandButton AddButton Add\nCommandButton Locked Locked disabled\n",
                       text);
    }
    STDMETHODIMP Perform(BSTR control, BSTR gesture, BSTR argument) override {
        const std::u16string_view who = View(control), what = View(gesture);
        if (who == u"Locked") return S_FALSE;
        if (who == u"NameBox" && what == u"type") {
            name_ += View(argument);  // a person's typing sends no notification
            focus_ = u"NameBox";
        } else if (who == u"AddButton" && what == u"click") {
            Record(u"clicked");
            focus_ = u"AddButton";
        } else {
            return RaiseError(E_INVALIDARG, u"no control " + std::u16string(who) + u" takes " + std::u16string(what),
                              kSource);
        }
        return S_OK;
    }
    STDMETHODIMP Focused(BSTR* control) override {
        if (control == nullptr) return E_POINTER;
        return PutText(focus_, control);
    }

private:
    // The picker's rule: any value that converts to a date from 1601 to 9999.
    HRESULT SetWhen(const VARIANT& value) {
        UniqueVariant date;
        const HRESULT hr = ConvertForControl(date.Put(), &value, VT_DATE, kSource, IID_IFakeControl);
        if (FAILED(hr)) return hr;
        if (date->date < kFirstDay || date->date >= kLastDay + 1)
            return RaiseStandardError(CTL_E_INVALIDPROPERTYVALUE, kSource, IID_IFakeControl);
        when_ = date->date;
        return S_OK;
    }
    void Record(std::u16string_view event) {
        if (!log_.empty()) log_ += u",";
        log_ += event;
    }
    HRESULT Changed(DISPID dispid) {
        NotifyChanged(notifications_, dispid);
        return S_OK;
    }
    // S_FALSE when the bag does not hold the key (the value stays as it is); a failed conversion
    // raises the error a host expects from a control.
    HRESULT Read(IPropertyBag* bag, const char16_t* key, VARTYPE vt, UniqueVariant& value) {
        UniqueVariant stored;
        const HRESULT hr = bag->Read(key, stored.Put(), nullptr);
        if (hr == E_INVALIDARG) return S_FALSE;
        if (FAILED(hr)) return hr;
        if (vt == VT_VARIANT) {
            value = std::move(stored);
            return S_OK;
        }
        return ConvertForControl(value.Put(), stored.Get(), vt, kSource, IID_IFakeControl);
    }

    std::u16string name_;
    SHORT count_ = 0;
    DATE when_ = kDefaultWhen;
    VARIANT_BOOL flag_ = VARIANT_TRUE;
    LONG mode_ = 0;
    std::u16string log_;
    std::u16string focus_;
    ComPtr<IOleClientSite> site_;
    ConnectionPoint notifications_{*this, IID_IPropertyNotifySink};
};

}  // namespace
}  // namespace fakecontrol

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return platform::com::GetClassObject<fakecontrol::FakeControl>(fakecontrol::CLSID_FakeControl, rclsid, riid, ppv);
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() { return platform::com::ModuleCanUnloadNow(); }

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    return platform::com::RegisterInprocServer(fakecontrol::CLSID_FakeControl, platform::com::ThisModulePath(),
                                               "Apartment");
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return platform::com::RemoveRegistryEntry(platform::com::RegistryKind::Class, fakecontrol::CLSID_FakeControl);
}
