#pragma once
// The identifiers of the Quillmarsh control library and QlmUI's dual interface, as hosts bind to them:
// the type library, the class, the default interface _QlmUI with its DISPIDs and the empty event
// interface __QlmUI.
#include "oaidl.h"
#include "platform/com_interface.h"

// The type library "Quillmarsh", version 17.0, locale 0x0409.
inline constexpr GUID LIBID_Quillmarsh = {0x14E2B58E, 0x4877, 0x42A4, {0xBF, 0x87, 0xF5, 0xE3, 0x2D, 0xD7, 0xA9, 0xF1}};
inline constexpr WORD kQuillmarshLibMajor = 17;
inline constexpr WORD kQuillmarshLibMinor = 0;
inline constexpr LCID kQuillmarshLibLocale = 0x0409;

inline constexpr CLSID CLSID_QlmUI = {0x85B2F03A, 0xF417, 0x483F, {0xB0, 0x8F, 0x84, 0xF0, 0x8A, 0x37, 0xDD, 0x70}};
inline constexpr IID IID__QlmUI = {0x193CA6B1, 0x7339, 0x4BD2, {0xA4, 0xC9, 0x9B, 0xE8, 0xF0, 0xD8, 0xE0, 0xD8}};
// The default source: a dispinterface without members; the control raises no events.
inline constexpr IID DIID___QlmUI = {0x11D86872, 0x19D7, 0x4B53, {0x9E, 0x32, 0xE3, 0x76, 0xB9, 0x53, 0x18, 0x19}};

// OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
// OLEMISC_ACTSLIKEBUTTON | OLEMISC_SETCLIENTSITEFIRST.
inline constexpr DWORD kQlmUIMiscStatus = 0x00021191;
// The toolbox bitmap's resource id.
inline constexpr WORD kToolboxBitmapId = 30000;

// The DISPIDs of _QlmUI.
inline constexpr DISPID DISPID_QlmUI_IsValidEmail = 0x60030010;
inline constexpr DISPID DISPID_QlmUI_AddReader = 0x60030011;
inline constexpr DISPID DISPID_QlmUI_GetReaders = 0x60030012;
inline constexpr DISPID DISPID_QlmUI_ParseString = 0x60030013;
inline constexpr DISPID DISPID_QlmUI_UsernameValue = 0x6803000F;
inline constexpr DISPID DISPID_QlmUI_PwdValue = 0x6803000E;
inline constexpr DISPID DISPID_QlmUI_NotBeforeValue = 0x6803000D;
inline constexpr DISPID DISPID_QlmUI_NotAfterValue = 0x6803000C;
inline constexpr DISPID DISPID_QlmUI_ProxyIEValue = 0x6803000B;
inline constexpr DISPID DISPID_QlmUI_ProxyServerValue = 0x6803000A;
inline constexpr DISPID DISPID_QlmUI_ProxyPortValue = 0x68030009;
inline constexpr DISPID DISPID_QlmUI_RememberMeValue = 0x68030008;
inline constexpr DISPID DISPID_QlmUI_NotBeforeCheckValue = 0x68030007;
inline constexpr DISPID DISPID_QlmUI_NotAfterCheckValue = 0x68030006;
inline constexpr DISPID DISPID_QlmUI_ReadReceiptValue = 0x68030005;
inline constexpr DISPID DISPID_QlmUI_Mode = 0x68030004;
inline constexpr DISPID DISPID_QlmUI_AddUsername = 0x60030028;
inline constexpr DISPID DISPID_QlmUI_ReferenceValue = 0x68030003;
inline constexpr DISPID DISPID_QlmUI_TimeNotBeforeValue = 0x68030002;
inline constexpr DISPID DISPID_QlmUI_TimeNotAfterValue = 0x68030001;
inline constexpr DISPID DISPID_QlmUI_ShowPopUpValue = 0x68030000;

// The dual interface, in its vtable order after IDispatch's members; a property's get before its put.
// The last parameter of a member with a result is that result ([out, retval]).
interface _QlmUI : public IDispatch {
    STDMETHOD(IsValidEmail)(BSTR* email, VARIANT_BOOL* result) PURE;
    STDMETHOD(AddReader)(BSTR* reader, VARIANT* result) PURE;
    STDMETHOD(GetReaders)(BSTR* result) PURE;
    STDMETHOD(ParseString)(SAFEARRAY** SubStrs, BSTR SrcStr, BSTR Delimiter, SHORT* result) PURE;
    STDMETHOD(get_UsernameValue)(BSTR* value) PURE;
    STDMETHOD(put_UsernameValue)(BSTR value) PURE;
    STDMETHOD(get_PwdValue)(BSTR* value) PURE;
    STDMETHOD(put_PwdValue)(BSTR value) PURE;
    STDMETHOD(get_NotBeforeValue)(VARIANT* value) PURE;
    STDMETHOD(put_NotBeforeValue)(VARIANT value) PURE;
    STDMETHOD(get_NotAfterValue)(VARIANT* value) PURE;
    STDMETHOD(put_NotAfterValue)(VARIANT value) PURE;
    STDMETHOD(get_ProxyIEValue)(VARIANT_BOOL* value) PURE;
    STDMETHOD(put_ProxyIEValue)(VARIANT_BOOL value) PURE;
    STDMETHOD(get_ProxyServerValue)(BSTR* value) PURE;
    STDMETHOD(put_ProxyServerValue)(BSTR value) PURE;
    STDMETHOD(get_ProxyPortValue)(BSTR* value) PURE;
    STDMETHOD(put_ProxyPortValue)(BSTR value) PURE;
    STDMETHOD(get_RememberMeValue)(SHORT* value) PURE;
    STDMETHOD(put_RememberMeValue)(SHORT value) PURE;
    STDMETHOD(get_NotBeforeCheckValue)(SHORT* value) PURE;
    STDMETHOD(put_NotBeforeCheckValue)(SHORT value) PURE;
    STDMETHOD(get_NotAfterCheckValue)(SHORT* value) PURE;
    STDMETHOD(put_NotAfterCheckValue)(SHORT value) PURE;
    STDMETHOD(get_ReadReceiptValue)(SHORT* value) PURE;
    STDMETHOD(put_ReadReceiptValue)(SHORT value) PURE;
    STDMETHOD(get_Mode)(LONG* value) PURE;
    STDMETHOD(put_Mode)(LONG value) PURE;
    STDMETHOD(AddUsername)(BSTR* username, VARIANT_BOOL* fHasPwd, VARIANT* result) PURE;
    STDMETHOD(get_ReferenceValue)(BSTR* value) PURE;
    STDMETHOD(put_ReferenceValue)(BSTR value) PURE;
    STDMETHOD(get_TimeNotBeforeValue)(VARIANT* value) PURE;
    STDMETHOD(put_TimeNotBeforeValue)(VARIANT value) PURE;
    STDMETHOD(get_TimeNotAfterValue)(VARIANT* value) PURE;
    STDMETHOD(put_TimeNotAfterValue)(VARIANT value) PURE;
    STDMETHOD(get_ShowPopUpValue)(SHORT* value) PURE;
    STDMETHOD(put_ShowPopUpValue)(SHORT value) PURE;
};

QLM_DECLARE_INTERFACE_BASE(_QlmUI, IID__QlmUI, IDispatch);
