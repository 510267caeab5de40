#include "test_widget.h"

#include "platform/error_info.h"
#include "platform/safe_array.h"

namespace widget_test {

using namespace platform::com;

namespace {

const MemberDescription kMembers[] = {
    PropertyGet<&ITestWidget::get_Text>(u"Text", kDispidText, u"Returns/sets the text."),
    PropertyPut<&ITestWidget::put_Text>(u"Text", kDispidText, u"Returns/sets the text."),
    PropertyGet<&ITestWidget::get_Count>(u"Count", kDispidCount, u"Returns/sets the count."),
    PropertyPut<&ITestWidget::put_Count>(u"Count", kDispidCount, u"Returns/sets the count."),
    PropertyGet<&ITestWidget::get_Enabled>(u"Enabled", kDispidEnabled, nullptr, Retval(VT_BOOL)),
    PropertyPut<&ITestWidget::put_Enabled>(u"Enabled", kDispidEnabled, nullptr, Param(u"value", VT_BOOL)),
    PropertyGet<&ITestWidget::get_Value>(u"Value", DISPID_VALUE),
    PropertyPut<&ITestWidget::put_Value>(u"Value", DISPID_VALUE),
    PropertyGet<&ITestWidget::get_Mode>(u"Mode", kDispidMode),
    PropertyPut<&ITestWidget::put_Mode>(u"Mode", kDispidMode),
    Method<&ITestWidget::IsValidName>(u"IsValidName", kDispidIsValidName, nullptr, u"name", Retval(VT_BOOL)),
    Method<&ITestWidget::Split>(u"Split", kDispidSplit, u"Splits a text.", u"parts", u"source", u"delimiter",
                                Retval()),
    Method<&ITestWidget::Repeat>(u"Repeat", kDispidRepeat, nullptr, u"text", u"times"),
    Method<&ITestWidget::Fail>(u"Fail", kDispidFail, nullptr, u"code"),
};

extern const TypeLibraryDescription kLibrary;

const InterfaceDescription kWidget{u"ITestWidget", u"A widget of the tests.", IID_ITestWidget,
                                   TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE, true, kMembers, &kLibrary};
const InterfaceDescription kWidgetEvents{u"ITestWidgetEvents", nullptr, DIID_ITestWidgetEvents,
                                         TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE, false, {}, &kLibrary};
const ImplementedInterface kWidgetInterfaces[] = {
    {&kWidget, IMPLTYPEFLAG_FDEFAULT},
    {&kWidgetEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE},
};
const ClassDescription kWidgetClass{u"TestWidget", u"The widget class.", CLSID_TestWidget, TYPEFLAG_FCONTROL,
                                    kWidgetInterfaces};
const InterfaceDescription* const kInterfaces[] = {&kWidget, &kWidgetEvents};
const ClassDescription* const kClasses[] = {&kWidgetClass};
const TypeLibraryDescription kLibrary{u"TestWidgets", u"Widgets of the tests", LIBID_TestWidgets, 2, 5, 0x0409,
                                      LIBFLAG_FCONTROL, kInterfaces, kClasses};

HRESULT PutBstr(std::u16string_view text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

std::u16string_view View(BSTR s) { return s == nullptr ? std::u16string_view() : std::u16string_view(s, SysStringLen(s)); }

}  // namespace

const InterfaceDescription& WidgetInterface() { return kWidget; }
const InterfaceDescription& WidgetEvents() { return kWidgetEvents; }
const TypeLibraryDescription& WidgetLibrary() { return kLibrary; }

template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::get_Text(BSTR* out) {
    return PutBstr(text, out);
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::put_Text(BSTR in) {
    text = View(in);
    Changed(kDispidText);
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::get_Count(SHORT* out) {
    *out = count;
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::put_Count(SHORT in) {
    if (in < 0) return RaiseStandardError(CTL_E_INVALIDPROPERTYVALUE, u"Test.Widget", IID_ITestWidget);
    count = in;
    Changed(kDispidCount);
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::get_Enabled(VARIANT_BOOL* out) {
    *out = enabled;
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::put_Enabled(VARIANT_BOOL in) {
    enabled = in;
    Changed(kDispidEnabled);
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::get_Value(VARIANT* out) {
    VariantInit(out);
    return VariantCopy(out, &value);
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::put_Value(VARIANT in) {
    const HRESULT hr = VariantCopy(&value, &in);
    if (SUCCEEDED(hr)) Changed(DISPID_VALUE);
    return hr;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::get_Mode(LONG* out) {
    *out = mode;
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::put_Mode(LONG in) {
    mode = in;
    Changed(kDispidMode);
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::IsValidName(BSTR* name, VARIANT_BOOL* valid) {
    std::u16string_view s = View(*name);
    while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
    BSTR trimmed = nullptr;
    if (HRESULT hr = PutBstr(s, &trimmed); FAILED(hr)) return hr;
    SysFreeString(*name);
    *name = trimmed;
    *valid = s.empty() ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::Split(SAFEARRAY** parts, BSTR source, BSTR delimiter, SHORT* out) {
    std::u16string_view rest = View(source);
    const std::u16string_view separator = View(delimiter);
    if (separator.empty()) return E_INVALIDARG;
    UniqueSafeArray array(SafeArrayCreateVector(VT_BSTR, 0, 0));
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0;; ++i) {
        const std::size_t at = rest.find(separator);
        SAFEARRAYBOUND bound{static_cast<ULONG>(i + 1), 0};
        UniqueBstr part;
        if (HRESULT hr = PutBstr(rest.substr(0, at), part.Put()); FAILED(hr)) return hr;
        if (HRESULT hr = SafeArrayRedim(array.Get(), &bound); FAILED(hr)) return hr;
        if (HRESULT hr = SafeArrayPutElement(array.Get(), &i, part.Get()); FAILED(hr)) return hr;
        if (at == std::u16string_view::npos) {
            *out = static_cast<SHORT>(i + 1);
            break;
        }
        rest.remove_prefix(at + separator.size());
    }
    SafeArrayDestroy(*parts);
    *parts = array.Release();
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::Repeat(BSTR* textRef, SHORT times) {
    std::u16string repeated;
    for (SHORT i = 0; i < times; ++i) repeated += View(*textRef);
    BSTR result = nullptr;
    if (HRESULT hr = PutBstr(repeated, &result); FAILED(hr)) return hr;
    SysFreeString(*textRef);
    *textRef = result;
    return S_OK;
}
template <class D, class... O>
STDMETHODIMP WidgetBase<D, O...>::Fail(LONG code) {
    return RaiseError(code, u"Widget failed", u"Test.Widget", IID_ITestWidget);
}

template class WidgetBase<Widget, ISupportErrorInfo, IConnectionPointContainer, IProvideClassInfo>;
template class WidgetBase<PlainWidget>;

}  // namespace widget_test
