#pragma once
// ActiveX control interfaces, with their documented IIDs and vtable order: connection points,
// property-change notification, class information, property-bag persistence and IOleControl.
#include "oaidl.h"
#include "oleidl.h"
#include "platform/com_interface.h"
#include "unknwn.h"

interface IConnectionPoint;
interface IConnectionPointContainer;

typedef struct tagCONNECTDATA {
    IUnknown* pUnk;
    DWORD dwCookie;
} CONNECTDATA, *LPCONNECTDATA;

DECLARE_HANDLE(HACCEL);

typedef struct tagCONTROLINFO {
    ULONG cb;
    HACCEL hAccel;
    USHORT cAccel;
    DWORD dwFlags;
} CONTROLINFO, *LPCONTROLINFO;

#define CTRLINFO_EATS_RETURN 1
#define CTRLINFO_EATS_ESCAPE 2

inline constexpr IID IID_IProvideClassInfo = {
    0xB196B283, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumConnectionPoints = {
    0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumConnections = {
    0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IOleControl = {0xB196B288, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IPropertyNotifySink = {
    0x9BFBBC02, 0xEFF1, 0x101A, {0x84, 0xED, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IProvideClassInfo2 = {
    0xA6BC3AC0, 0xDBAA, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_IPersistPropertyBag = {
    0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

interface IEnumConnections : public IUnknown {
    STDMETHOD(Next)(ULONG cConnections, LPCONNECTDATA rgcd, ULONG* pcFetched) PURE;
    STDMETHOD(Skip)(ULONG cConnections) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumConnections** ppEnum) PURE;
};

interface IConnectionPoint : public IUnknown {
    STDMETHOD(GetConnectionInterface)(IID* pIID) PURE;
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** ppCPC) PURE;
    STDMETHOD(Advise)(IUnknown* pUnkSink, DWORD* pdwCookie) PURE;
    STDMETHOD(Unadvise)(DWORD dwCookie) PURE;
    STDMETHOD(EnumConnections)(IEnumConnections** ppEnum) PURE;
};
typedef IConnectionPoint* LPCONNECTIONPOINT;

interface IEnumConnectionPoints : public IUnknown {
    STDMETHOD(Next)(ULONG cConnections, LPCONNECTIONPOINT* ppCP, ULONG* pcFetched) PURE;
    STDMETHOD(Skip)(ULONG cConnections) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumConnectionPoints** ppEnum) PURE;
};

interface IConnectionPointContainer : public IUnknown {
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** ppEnum) PURE;
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) PURE;
};
typedef IConnectionPointContainer* LPCONNECTIONPOINTCONTAINER;

// What a control tells its host about its properties: a value changed (the host marks the
// document changed and refreshes its views), or may it change (S_OK allows, S_FALSE refuses).
interface IPropertyNotifySink : public IUnknown {
    STDMETHOD(OnChanged)(DISPID dispID) PURE;
    STDMETHOD(OnRequestEdit)(DISPID dispID) PURE;
};
typedef IPropertyNotifySink* LPPROPERTYNOTIFYSINK;

interface IProvideClassInfo : public IUnknown {
    STDMETHOD(GetClassInfo)(ITypeInfo** ppTI) PURE;
};

#define GUIDKIND_DEFAULT_SOURCE_DISP_IID 1
interface IProvideClassInfo2 : public IProvideClassInfo {
    STDMETHOD(GetGUID)(DWORD dwGuidKind, GUID* pGUID) PURE;
};

interface IPersistPropertyBag : public IPersist {
    STDMETHOD(InitNew)() PURE;
    STDMETHOD(Load)(IPropertyBag* pPropBag, IErrorLog* pErrorLog) PURE;
    STDMETHOD(Save)(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) PURE;
};
typedef IPersistPropertyBag* LPPERSISTPROPERTYBAG;

interface IOleControl : public IUnknown {
    STDMETHOD(GetControlInfo)(CONTROLINFO* pCI) PURE;
    STDMETHOD(OnMnemonic)(LPMSG pMsg) PURE;
    STDMETHOD(OnAmbientPropertyChange)(DISPID dispID) PURE;
    STDMETHOD(FreezeEvents)(BOOL bFreeze) PURE;
};
typedef IOleControl* LPOLECONTROL;

QLM_DECLARE_INTERFACE(IEnumConnections, IID_IEnumConnections);
QLM_DECLARE_INTERFACE(IConnectionPoint, IID_IConnectionPoint);
QLM_DECLARE_INTERFACE(IEnumConnectionPoints, IID_IEnumConnectionPoints);
QLM_DECLARE_INTERFACE(IConnectionPointContainer, IID_IConnectionPointContainer);
QLM_DECLARE_INTERFACE(IPropertyNotifySink, IID_IPropertyNotifySink);
QLM_DECLARE_INTERFACE(IProvideClassInfo, IID_IProvideClassInfo);
QLM_DECLARE_INTERFACE_BASE(IProvideClassInfo2, IID_IProvideClassInfo2, IProvideClassInfo);
QLM_DECLARE_INTERFACE_BASE(IPersistPropertyBag, IID_IPersistPropertyBag, IPersist);
QLM_DECLARE_INTERFACE(IOleControl, IID_IOleControl);
