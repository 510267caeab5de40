#pragma once
// OLE embedding interfaces that an ActiveX control implements for its host, with their documented
// IIDs and vtable order: IPersist, IOleObject, IOleClientSite, IViewObject, IViewObject2. Interfaces
// that only appear as parameters are declared without members.
#include "oaidl.h"
#include "platform/com_interface.h"
#include "unknwn.h"
#include "wtypes.h"

struct tagMSG;  // winuser.h
typedef struct tagMSG* LPMSG;
struct tagLOGPALETTE;
typedef struct tagLOGPALETTE LOGPALETTE;

interface IMoniker;
interface IDataObject;
interface IEnumOLEVERB;
interface IAdviseSink;
interface IEnumSTATDATA;
interface IOleContainer;

typedef struct _RECTL {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECTL, *PRECTL, *LPRECTL;
typedef const RECTL* LPCRECTL;
typedef const RECT* LPCRECT;
typedef SIZE SIZEL;
typedef SIZE* PSIZEL;
typedef SIZE* LPSIZEL;

// A target device for rendering; hosts of this platform pass null (the screen).
typedef struct tagDVTARGETDEVICE {
    DWORD tdSize;
    WORD tdDriverNameOffset;
    WORD tdDeviceNameOffset;
    WORD tdPortNameOffset;
    WORD tdExtDevmodeOffset;
    BYTE tdData[1];
} DVTARGETDEVICE;

typedef enum tagDVASPECT {
    DVASPECT_CONTENT = 1,
    DVASPECT_THUMBNAIL = 2,
    DVASPECT_ICON = 4,
    DVASPECT_DOCPRINT = 8
} DVASPECT;

typedef enum tagOLEMISC {
    OLEMISC_RECOMPOSEONRESIZE = 0x1,
    OLEMISC_ONLYICONIC = 0x2,
    OLEMISC_INSERTNOTREPLACE = 0x4,
    OLEMISC_STATIC = 0x8,
    OLEMISC_CANTLINKINSIDE = 0x10,
    OLEMISC_CANLINKBYOLE1 = 0x20,
    OLEMISC_ISLINKOBJECT = 0x40,
    OLEMISC_INSIDEOUT = 0x80,
    OLEMISC_ACTIVATEWHENVISIBLE = 0x100,
    OLEMISC_RENDERINGISDEVICEINDEPENDENT = 0x200,
    OLEMISC_INVISIBLEATRUNTIME = 0x400,
    OLEMISC_ALWAYSRUN = 0x800,
    OLEMISC_ACTSLIKEBUTTON = 0x1000,
    OLEMISC_ACTSLIKELABEL = 0x2000,
    OLEMISC_NOUIACTIVATE = 0x4000,
    OLEMISC_ALIGNABLE = 0x8000,
    OLEMISC_SIMPLEFRAME = 0x10000,
    OLEMISC_SETCLIENTSITEFIRST = 0x20000,
    OLEMISC_IMEMODE = 0x40000,
    OLEMISC_IGNOREACTIVATEWHENVISIBLE = 0x80000,
    OLEMISC_WANTSTOMENUMERGE = 0x100000,
    OLEMISC_SUPPORTSMULTILEVELUNDO = 0x200000
} OLEMISC;

#define OLEIVERB_PRIMARY (0L)
#define OLEIVERB_SHOW (-1L)
#define OLEIVERB_OPEN (-2L)
#define OLEIVERB_HIDE (-3L)
#define OLEIVERB_UIACTIVATE (-4L)
#define OLEIVERB_INPLACEACTIVATE (-5L)
#define OLEIVERB_DISCARDUNDOSTATE (-6L)

typedef enum tagOLECLOSE { OLECLOSE_SAVEIFDIRTY = 0, OLECLOSE_NOSAVE = 1, OLECLOSE_PROMPTSAVE = 2 } OLECLOSE;
typedef enum tagUSERCLASSTYPE { USERCLASSTYPE_FULL = 1, USERCLASSTYPE_SHORT = 2, USERCLASSTYPE_APPNAME = 3 } USERCLASSTYPE;
typedef enum tagOLEWHICHMK { OLEWHICHMK_CONTAINER = 1, OLEWHICHMK_OBJREL = 2, OLEWHICHMK_OBJFULL = 3 } OLEWHICHMK;
typedef enum tagOLEGETMONIKER {
    OLEGETMONIKER_ONLYIFTHERE = 1,
    OLEGETMONIKER_FORCEASSIGN = 2,
    OLEGETMONIKER_UNASSIGN = 3,
    OLEGETMONIKER_TEMPFORUSER = 4
} OLEGETMONIKER;

inline constexpr IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IViewObject = {0x0000010D, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleObject = {0x00000112, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleClientSite = {
    0x00000118, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IViewObject2 = {0x00000127, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

interface IPersist : public IUnknown {
    STDMETHOD(GetClassID)(CLSID* pClassID) PURE;
};
typedef IPersist* LPPERSIST;

interface IOleClientSite : public IUnknown {
    STDMETHOD(SaveObject)() PURE;
    STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) PURE;
    STDMETHOD(GetContainer)(IOleContainer** ppContainer) PURE;
    STDMETHOD(ShowObject)() PURE;
    STDMETHOD(OnShowWindow)(BOOL fShow) PURE;
    STDMETHOD(RequestNewObjectLayout)() PURE;
};
typedef IOleClientSite* LPOLECLIENTSITE;

interface IOleObject : public IUnknown {
    STDMETHOD(SetClientSite)(IOleClientSite* pClientSite) PURE;
    STDMETHOD(GetClientSite)(IOleClientSite** ppClientSite) PURE;
    STDMETHOD(SetHostNames)(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) PURE;
    STDMETHOD(Close)(DWORD dwSaveOption) PURE;
    STDMETHOD(SetMoniker)(DWORD dwWhichMoniker, IMoniker* pmk) PURE;
    STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) PURE;
    STDMETHOD(InitFromData)(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) PURE;
    STDMETHOD(GetClipboardData)(DWORD dwReserved, IDataObject** ppDataObject) PURE;
    STDMETHOD(DoVerb)(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                      LPCRECT lprcPosRect) PURE;
    STDMETHOD(EnumVerbs)(IEnumOLEVERB** ppEnumOleVerb) PURE;
    STDMETHOD(Update)() PURE;
    STDMETHOD(IsUpToDate)() PURE;
    STDMETHOD(GetUserClassID)(CLSID* pClsid) PURE;
    STDMETHOD(GetUserType)(DWORD dwFormOfType, LPOLESTR* pszUserType) PURE;
    STDMETHOD(SetExtent)(DWORD dwDrawAspect, SIZEL* psizel) PURE;
    STDMETHOD(GetExtent)(DWORD dwDrawAspect, SIZEL* psizel) PURE;
    STDMETHOD(Advise)(IAdviseSink* pAdvSink, DWORD* pdwConnection) PURE;
    STDMETHOD(Unadvise)(DWORD dwConnection) PURE;
    STDMETHOD(EnumAdvise)(IEnumSTATDATA** ppenumAdvise) PURE;
    STDMETHOD(GetMiscStatus)(DWORD dwAspect, DWORD* pdwStatus) PURE;
    STDMETHOD(SetColorScheme)(LOGPALETTE* pLogpal) PURE;
};
typedef IOleObject* LPOLEOBJECT;

interface IViewObject : public IUnknown {
    STDMETHOD(Draw)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcTargetDev,
                    HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                    BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR dwContinue), ULONG_PTR dwContinue) PURE;
    STDMETHOD(GetColorSet)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hicTargetDev,
                           LOGPALETTE** ppColorSet) PURE;
    STDMETHOD(Freeze)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) PURE;
    STDMETHOD(Unfreeze)(DWORD dwFreeze) PURE;
    STDMETHOD(SetAdvise)(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) PURE;
    STDMETHOD(GetAdvise)(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) PURE;
};
typedef IViewObject* LPVIEWOBJECT;

interface IViewObject2 : public IViewObject {
    STDMETHOD(GetExtent)(DWORD dwDrawAspect, LONG lindex, DVTARGETDEVICE* ptd, LPSIZEL lpsizel) PURE;
};
typedef IViewObject2* LPVIEWOBJECT2;

QLM_DECLARE_INTERFACE(IPersist, IID_IPersist);
QLM_DECLARE_INTERFACE(IOleClientSite, IID_IOleClientSite);
QLM_DECLARE_INTERFACE(IOleObject, IID_IOleObject);
QLM_DECLARE_INTERFACE(IViewObject, IID_IViewObject);
QLM_DECLARE_INTERFACE_BASE(IViewObject2, IID_IViewObject2, IViewObject);
