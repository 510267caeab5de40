#pragma once
// A small stand-in for the QlmUI control, for QlmHost's tests: an in-process server under QlmUI's
// CLSID with a dual interface of a few typed properties and methods, property-bag persistence,
// property-change notifications, the show and paint notifications, and a form a person can work.
// It records the host's calls in order (its Log property), so that a test sees what the host did.
// Never registered in the build tree: a test registers it in a class registry of its own.
#include "formautomation.h"
#include "oaidl.h"
#include "ocidl.h"

namespace fakecontrol {

// {9A0C3C61-6C38-4D0B-9E53-2D6B1A6E5F10}
inline constexpr IID IID_IFakeControl = {0x9A0C3C61, 0x6C38, 0x4D0B, {0x9E, 0x53, 0x2D, 0x6B, 0x1A, 0x6E, 0x5F, 0x10}};
// The control's class: QlmUI's CLSID, so that the host finds the stand-in where it looks for QlmUI.
inline constexpr CLSID CLSID_FakeControl = {
    0x85B2F03A, 0xF417, 0x483F, {0xB0, 0x8F, 0x84, 0xF0, 0x8A, 0x37, 0xDD, 0x70}};

enum : DISPID {
    kDispidName = 1,
    kDispidCount = 2,
    kDispidWhen = 3,
    kDispidFlag = 4,
    kDispidMode = 5,
    kDispidLog = 6,
    kDispidUpper = 7,
    kDispidSplit = 8,
    kDispidIsGood = 9,
};

// Persisted in this order, with these defaults: Name "" (string), Count 0 (i2, 0 to 2), When
// 18 July 2008 (date, 1601 to 9999), Flag true (bool), Mode 0 (i4).
interface IFakeControl : public IDispatch {
    STDMETHOD(get_Name)(BSTR* value) PURE;
    STDMETHOD(put_Name)(BSTR value) PURE;
    STDMETHOD(get_Count)(SHORT* value) PURE;
    STDMETHOD(put_Count)(SHORT value) PURE;
    STDMETHOD(get_When)(VARIANT* value) PURE;
    STDMETHOD(put_When)(VARIANT value) PURE;
    STDMETHOD(get_Flag)(VARIANT_BOOL* value) PURE;
    STDMETHOD(put_Flag)(VARIANT_BOOL value) PURE;
    STDMETHOD(get_Mode)(LONG* value) PURE;
    STDMETHOD(put_Mode)(LONG value) PURE;
    // What the host did to the control, in order, joined by ",".
    STDMETHOD(get_Log)(BSTR* value) PURE;
    // Upper-cases `text` in place; the result is always empty.
    STDMETHOD(Upper)(BSTR* text, VARIANT* result) PURE;
    // Cuts `text` at ",": parts becomes [""] followed by the pieces; the result is their number.
    STDMETHOD(Split)(SAFEARRAY** parts, BSTR text, SHORT* count) PURE;
    // Whether `text` holds an "@"; `text` is left as it is.
    STDMETHOD(IsGood)(BSTR* text, VARIANT_BOOL* good) PURE;
};

}  // namespace fakecontrol

QLM_DECLARE_INTERFACE_BASE(fakecontrol::IFakeControl, fakecontrol::IID_IFakeControl, IDispatch);
