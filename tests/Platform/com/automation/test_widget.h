#pragma once
// A small dual interface described by a member table, and the COM classes that implement it, for
// the tests of IDispatch, type information and connection points.
#include <string>

#include "ocidl.h"
#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/connection_point.h"
#include "platform/dispatch.h"

// {7D0C9E61-2A5B-4C3D-9E8F-1A2B3C4D5E01} and siblings: identifiers of these tests only.
inline constexpr IID IID_ITestWidget = {0x7D0C9E61, 0x2A5B, 0x4C3D, {0x9E, 0x8F, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x01}};
inline constexpr IID DIID_ITestWidgetEvents = {
    0x7D0C9E61, 0x2A5B, 0x4C3D, {0x9E, 0x8F, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x02}};
inline constexpr CLSID CLSID_TestWidget = {
    0x7D0C9E61, 0x2A5B, 0x4C3D, {0x9E, 0x8F, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x03}};
inline constexpr GUID LIBID_TestWidgets = {0x7D0C9E61, 0x2A5B, 0x4C3D, {0x9E, 0x8F, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x04}};

inline constexpr DISPID kDispidText = 0x68030001;
inline constexpr DISPID kDispidCount = 0x68030002;
inline constexpr DISPID kDispidEnabled = 0x68030003;
inline constexpr DISPID kDispidMode = 0x68030004;
inline constexpr DISPID kDispidIsValidName = 0x60030010;
inline constexpr DISPID kDispidSplit = 0x60030011;
inline constexpr DISPID kDispidRepeat = 0x60030012;
inline constexpr DISPID kDispidFail = 0x60030013;

interface ITestWidget : public IDispatch {
    STDMETHOD(get_Text)(BSTR* value) PURE;
    STDMETHOD(put_Text)(BSTR value) PURE;
    STDMETHOD(get_Count)(SHORT* value) PURE;
    STDMETHOD(put_Count)(SHORT value) PURE;  // refuses negative counts
    STDMETHOD(get_Enabled)(VARIANT_BOOL* value) PURE;
    STDMETHOD(put_Enabled)(VARIANT_BOOL value) PURE;
    STDMETHOD(get_Value)(VARIANT* value) PURE;  // the default member (DISPID_VALUE)
    STDMETHOD(put_Value)(VARIANT value) PURE;
    STDMETHOD(get_Mode)(LONG* value) PURE;
    STDMETHOD(put_Mode)(LONG value) PURE;
    // Trims the blanks around *name in place; the result says whether a name is left.
    STDMETHOD(IsValidName)(BSTR* name, VARIANT_BOOL* valid) PURE;
    // Splits source at each delimiter into *parts (replacing what it held); the result is the count.
    STDMETHOD(Split)(SAFEARRAY** parts, BSTR source, BSTR delimiter, SHORT* count) PURE;
    // *text becomes `times` copies of itself.
    STDMETHOD(Repeat)(BSTR* text, SHORT times) PURE;
    // Raises `code` with the description "Widget failed".
    STDMETHOD(Fail)(LONG code) PURE;
};
QLM_DECLARE_INTERFACE_BASE(ITestWidget, IID_ITestWidget, IDispatch);

namespace widget_test {

const platform::com::InterfaceDescription& WidgetInterface();
const platform::com::InterfaceDescription& WidgetEvents();
const platform::com::TypeLibraryDescription& WidgetLibrary();

// The state and members; Derived chooses the other interfaces.
template <class Derived, class... Others>
class WidgetBase : public platform::com::ImplementsDispatch<Derived, ITestWidget, Others...> {
public:
    static const platform::com::InterfaceDescription& DispatchInterface() { return WidgetInterface(); }

    STDMETHODIMP get_Text(BSTR* value) override;
    STDMETHODIMP put_Text(BSTR value) override;
    STDMETHODIMP get_Count(SHORT* value) override;
    STDMETHODIMP put_Count(SHORT value) override;
    STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
    STDMETHODIMP put_Enabled(VARIANT_BOOL value) override;
    STDMETHODIMP get_Value(VARIANT* value) override;
    STDMETHODIMP put_Value(VARIANT value) override;
    STDMETHODIMP get_Mode(LONG* value) override;
    STDMETHODIMP put_Mode(LONG value) override;
    STDMETHODIMP IsValidName(BSTR* name, VARIANT_BOOL* valid) override;
    STDMETHODIMP Split(SAFEARRAY** parts, BSTR source, BSTR delimiter, SHORT* count) override;
    STDMETHODIMP Repeat(BSTR* text, SHORT times) override;
    STDMETHODIMP Fail(LONG code) override;

    std::u16string text;
    SHORT count = 0;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    VARIANT value{};  // VT_EMPTY
    LONG mode = 0;

protected:
    ~WidgetBase() { VariantClear(&value); }
    // After a put: who should hear of it.
    virtual void Changed(DISPID) {}
};

// Supports error information, notifies property changes, provides its class information.
class Widget final : public WidgetBase<Widget, ISupportErrorInfo, IConnectionPointContainer, IProvideClassInfo> {
public:
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualIID(riid, IID_ITestWidget) ? S_OK : S_FALSE;
    }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override {
        if (ppEnum != nullptr) *ppEnum = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
        return platform::com::FindConnectionPoint({&propertyNotify_}, riid, ppCP);
    }
    STDMETHODIMP GetClassInfo(ITypeInfo** ppTI) override {
        return platform::com::GetTypeInfoOfGuid(WidgetLibrary(), CLSID_TestWidget, ppTI);
    }

    platform::com::ConnectionPoint propertyNotify_{*this, IID_IPropertyNotifySink};

private:
    void Changed(DISPID dispid) override { platform::com::NotifyChanged(propertyNotify_, dispid); }
};

// Without error information: a failing member's HRESULT reaches the caller as it is.
class PlainWidget final : public WidgetBase<PlainWidget> {};

}  // namespace widget_test
