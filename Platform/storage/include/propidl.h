#pragma once
// Property sets: PROPVARIANT, PROPSPEC, IPropertySetStorage and IPropertyStorage with their documented
// IIDs and vtable order, and the Summary Information identifiers.
//
// On this platform a flat file's property sets (StgOpenStorageEx, coml2api.h) live in its extended
// attributes. The Summary Information set is kept in its standard serialized form (the property set
// stream) in the attribute "user.DosStream.\005SummaryInformation:$DATA", the name under which file
// servers keep that stream for their Windows clients; its Comments property (PIDSI_COMMENTS) is also
// mirrored to "user.xdg.comment" (UTF-8, no NUL), which Linux file managers show. Other sets
// (other FMTIDs) are not kept: Create, Open and Delete give STG_E_UNIMPLEMENTEDFUNCTION for them.
//
// Behaviour of this platform's sets:
// - Values: VT_I2, VT_I4, VT_LPSTR, VT_LPWSTR and VT_FILETIME are read and written. VT_LPSTR text is in
//   the ANSI code page, which is UTF-8 here; a set created here has code page 65001. A set written
//   elsewhere keeps its code page (1200 sets hold their VT_LPSTR text as UTF-16; in other code pages
//   non-ASCII characters read as "?"). Values of other types in such a set are kept as they are
//   and written back unchanged, but reading them gives STG_E_UNIMPLEMENTEDFUNCTION; writing them gives
//   STG_E_INVALIDPARAMETER.
// - Properties are named by identifier (PRSPEC_PROPID). Names (PRSPEC_LPWSTR, the dictionary) are not
//   kept: specifying one gives STG_E_UNIMPLEMENTEDFUNCTION. Identifiers 0 (the dictionary), 1 (the
//   code page) and from 0x80000000 on cannot be written or deleted (STG_E_INVALIDPARAMETER); the code
//   page reads as VT_I2.
// - Writes collect in memory and reach the file on Commit, all at once: the set's stream and then the
//   mirror. When the mirror cannot be written, the stream is put back as it was, so a failed Commit
//   leaves the file's attributes as they were. A property storage in direct mode (STGM_DIRECT, the
//   default) also writes what is not committed on its final Release, as buffered sets do on Windows
//   (a failure there goes unreported); in STGM_TRANSACTED mode Release drops it. Revert drops what is
//   not committed in either mode.
// - A set is open through one property storage at a time (STGM_SHARE_EXCLUSIVE is required); a second
//   Create or Open of it, or a Delete, meanwhile gives STG_E_ACCESSDENIED.
// - The objects are apartment-threaded: one thread at a time.
#include <cstring>

#include "objidl.h"
#include "platform/com_interface.h"

typedef ULONG PROPID;

typedef struct tagBLOB {
    ULONG cbSize;
    BYTE* pBlobData;
} BLOB, *LPBLOB;

typedef struct tagPROPVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        CHAR cVal;
        UCHAR bVal;
        SHORT iVal;
        USHORT uiVal;
        LONG lVal;
        ULONG ulVal;
        INT intVal;
        UINT uintVal;
        LARGE_INTEGER hVal;
        ULARGE_INTEGER uhVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        FILETIME filetime;
        CLSID* puuid;
        BSTR bstrVal;
        BLOB blob;
        LPSTR pszVal;
        LPWSTR pwszVal;
        IUnknown* punkVal;
    };
} PROPVARIANT, *LPPROPVARIANT;
typedef const PROPVARIANT* REFPROPVARIANT;
static_assert(sizeof(PROPVARIANT) == 8 + 2 * sizeof(void*), "PROPVARIANT keeps its Windows size (24 bytes on 64-bit)");

#define PRSPEC_INVALID 0xffffffff
#define PRSPEC_LPWSTR 0
#define PRSPEC_PROPID 1

typedef struct tagPROPSPEC {
    ULONG ulKind;
    union {
        PROPID propid;
        LPOLESTR lpwstr;
    };
} PROPSPEC;

typedef struct tagSTATPROPSTG {
    LPOLESTR lpwstrName;
    PROPID propid;
    VARTYPE vt;
} STATPROPSTG;

typedef struct tagSTATPROPSETSTG {
    FMTID fmtid;
    CLSID clsid;
    DWORD grfFlags;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD dwOSVersion;
} STATPROPSETSTG;

#define PROPSETFLAG_DEFAULT 0
#define PROPSETFLAG_NONSIMPLE 1
#define PROPSETFLAG_ANSI 2
#define PROPSETFLAG_UNBUFFERED 4
#define PROPSETFLAG_CASE_SENSITIVE 8

#define PROPSETHDR_OSVERSION_UNKNOWN 0xFFFFFFFF

#define PID_DICTIONARY 0x00000000
#define PID_CODEPAGE 0x00000001
#define PID_FIRST_USABLE 0x00000002
#define PID_FIRST_NAME_DEFAULT 0x00000fff
#define PID_LOCALE 0x80000000
#define PID_MODIFY_TIME 0x80000001
#define PID_SECURITY 0x80000002
#define PID_BEHAVIOR 0x80000003
#define PID_ILLEGAL 0xffffffff
#define PID_MIN_READONLY 0x80000000
#define PID_MAX_READONLY 0xbfffffff

// Summary Information properties.
#define PIDSI_TITLE 0x00000002L
#define PIDSI_SUBJECT 0x00000003L
#define PIDSI_AUTHOR 0x00000004L
#define PIDSI_KEYWORDS 0x00000005L
#define PIDSI_COMMENTS 0x00000006L
#define PIDSI_TEMPLATE 0x00000007L
#define PIDSI_LASTAUTHOR 0x00000008L
#define PIDSI_REVNUMBER 0x00000009L
#define PIDSI_EDITTIME 0x0000000aL
#define PIDSI_LASTPRINTED 0x0000000bL
#define PIDSI_CREATE_DTM 0x0000000cL
#define PIDSI_LASTSAVE_DTM 0x0000000dL
#define PIDSI_PAGECOUNT 0x0000000eL
#define PIDSI_WORDCOUNT 0x0000000fL
#define PIDSI_CHARCOUNT 0x00000010L
#define PIDSI_THUMBNAIL 0x00000011L
#define PIDSI_APPNAME 0x00000012L
#define PIDSI_DOC_SECURITY 0x00000013L

// {F29F85E0-4FF9-1068-AB91-08002B27B3D9}
inline constexpr FMTID FMTID_SummaryInformation = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};

inline constexpr IID IID_IPropertyStorage = {0x00000138, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumSTATPROPSTG = {0x00000139, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IPropertySetStorage = {0x0000013A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumSTATPROPSETSTG = {0x0000013B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

interface IEnumSTATPROPSTG : public IUnknown {
    STDMETHOD(Next)(ULONG celt, STATPROPSTG* rgelt, ULONG* pceltFetched) PURE;
    STDMETHOD(Skip)(ULONG celt) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumSTATPROPSTG** ppenum) PURE;
};

interface IEnumSTATPROPSETSTG : public IUnknown {
    STDMETHOD(Next)(ULONG celt, STATPROPSETSTG* rgelt, ULONG* pceltFetched) PURE;
    STDMETHOD(Skip)(ULONG celt) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumSTATPROPSETSTG** ppenum) PURE;
};

interface IPropertyStorage : public IUnknown {
    // Fills rgpropvar[i] for each property named in rgpspec (its old content is overwritten, not freed): a copy that the
    // caller frees with PropVariantClear, or VT_EMPTY when the set has no such property. S_FALSE when
    // none of them is there. On a failure every value is left VT_EMPTY.
    STDMETHOD(ReadMultiple)(ULONG cpspec, const PROPSPEC rgpspec[], PROPVARIANT rgpropvar[]) PURE;
    // All or nothing: every property named and every value is checked before any is written.
    STDMETHOD(WriteMultiple)(ULONG cpspec, const PROPSPEC rgpspec[], const PROPVARIANT rgpropvar[],
                             PROPID propidNameFirst) PURE;
    STDMETHOD(DeleteMultiple)(ULONG cpspec, const PROPSPEC rgpspec[]) PURE;
    STDMETHOD(ReadPropertyNames)(ULONG cpropid, const PROPID rgpropid[], LPOLESTR rglpwstrName[]) PURE;
    STDMETHOD(WritePropertyNames)(ULONG cpropid, const PROPID rgpropid[], const LPOLESTR rglpwstrName[]) PURE;
    STDMETHOD(DeletePropertyNames)(ULONG cpropid, const PROPID rgpropid[]) PURE;
    STDMETHOD(Commit)(DWORD grfCommitFlags) PURE;
    STDMETHOD(Revert)() PURE;
    STDMETHOD(Enum)(IEnumSTATPROPSTG** ppenum) PURE;
    STDMETHOD(SetTimes)(const FILETIME* pctime, const FILETIME* patime, const FILETIME* pmtime) PURE;
    STDMETHOD(SetClass)(REFCLSID clsid) PURE;
    // The times of a set are not kept: they read as zero.
    STDMETHOD(Stat)(STATPROPSETSTG* pstatpsstg) PURE;
};
typedef IPropertyStorage* LPPROPERTYSTORAGE;

interface IPropertySetStorage : public IUnknown {
    // grfMode: STGM_SHARE_EXCLUSIVE with STGM_WRITE or STGM_READWRITE, optionally STGM_CREATE (replace an
    // existing set; without it an existing set gives STG_E_FILEALREADYEXISTS) and STGM_TRANSACTED.
    // grfFlags: PROPSETFLAG_DEFAULT, PROPSETFLAG_ANSI or PROPSETFLAG_UNBUFFERED, which all give a set in
    // the ANSI code page. The new set reaches the file with the first Commit (or the final Release).
    STDMETHOD(Create)(REFFMTID rfmtid, const CLSID* pclsid, DWORD grfFlags, DWORD grfMode,
                      IPropertyStorage** ppprstg) PURE;
    // STG_E_FILENOTFOUND when the file has no such set, STG_E_INVALIDHEADER when its stream is damaged.
    STDMETHOD(Open)(REFFMTID rfmtid, DWORD grfMode, IPropertyStorage** ppprstg) PURE;
    STDMETHOD(Delete)(REFFMTID rfmtid) PURE;
    STDMETHOD(Enum)(IEnumSTATPROPSETSTG** ppenum) PURE;
};
typedef IPropertySetStorage* LPPROPERTYSETSTORAGE;

QLM_DECLARE_INTERFACE(IEnumSTATPROPSTG, IID_IEnumSTATPROPSTG);
QLM_DECLARE_INTERFACE(IEnumSTATPROPSETSTG, IID_IEnumSTATPROPSETSTG);
QLM_DECLARE_INTERFACE(IPropertyStorage, IID_IPropertyStorage);
QLM_DECLARE_INTERFACE(IPropertySetStorage, IID_IPropertySetStorage);

inline void PropVariantInit(PROPVARIANT* pvar) { std::memset(pvar, 0, sizeof(PROPVARIANT)); }

extern "C" {
// Frees what the value owns (strings, BSTR, BLOB, CLSID, interface) and leaves it VT_EMPTY.
// A type that this platform does not know (vectors, arrays, by-reference values) gives
// STG_E_INVALIDPARAMETER and leaves the value as it was.
HRESULT WINAPI PropVariantClear(PROPVARIANT* pvar);
// PropVariantClear for each; STG_E_INVALIDPARAMETER if any of them failed (the others are cleared).
HRESULT WINAPI FreePropVariantArray(ULONG cVariants, PROPVARIANT* rgvars);
}
