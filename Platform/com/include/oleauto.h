#pragma once
// OLE Automation. Each kind of automation data keeps its own section below.
#include "minwinbase.h"
#include "oaidl.h"
#include "winerror.h"
#include "winnls.h"
#include "wtypes.h"

// ---- BSTR -----------------------------------------------------------------------------------------
// Windows layout: a 32-bit byte length immediately before the characters, a two-byte NUL after them.
// BSTRs come from the C heap, so any module frees any other's. A null BSTR reads as the empty string.
extern "C" {
BSTR WINAPI SysAllocString(const OLECHAR* psz);
// ui characters, copied from strIn if it is not null (otherwise zeroed).
BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui);
// len bytes, copied from psz if it is not null (otherwise zeroed); SysStringByteLen gives len back.
BSTR WINAPI SysAllocStringByteLen(LPCSTR psz, UINT len);
// Replace *pbstr by a copy of psz (which may point into *pbstr). A null psz leaves *pbstr null.
// Returns FALSE (and leaves *pbstr as it was) when out of memory or pbstr is null.
INT WINAPI SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
// As SysReAllocString with len characters; a null psz keeps the old characters that fit, zeroes the rest.
INT WINAPI SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, unsigned int len);
void WINAPI SysFreeString(BSTR bstrString);
UINT WINAPI SysStringLen(BSTR pbstr);
UINT WINAPI SysStringByteLen(BSTR bstr);
}

// ---- VARIANT --------------------------------------------------------------------------------------
// Accessors, as Windows spells them.
#define V_VT(X) ((X)->vt)
#define V_ISBYREF(X) ((V_VT(X) & VT_BYREF) != 0)
#define V_ISARRAY(X) ((V_VT(X) & VT_ARRAY) != 0)
#define V_UI1(X) ((X)->bVal)
#define V_I2(X) ((X)->iVal)
#define V_I4(X) ((X)->lVal)
#define V_I8(X) ((X)->llVal)
#define V_R4(X) ((X)->fltVal)
#define V_R8(X) ((X)->dblVal)
#define V_CY(X) ((X)->cyVal)
#define V_DATE(X) ((X)->date)
#define V_BSTR(X) ((X)->bstrVal)
#define V_DISPATCH(X) ((X)->pdispVal)
#define V_ERROR(X) ((X)->scode)
#define V_BOOL(X) ((X)->boolVal)
#define V_UNKNOWN(X) ((X)->punkVal)
#define V_ARRAY(X) ((X)->parray)
#define V_BYREF(X) ((X)->byref)
#define V_I2REF(X) ((X)->piVal)
#define V_I4REF(X) ((X)->plVal)
#define V_R8REF(X) ((X)->pdblVal)
#define V_DATEREF(X) ((X)->pdate)
#define V_BSTRREF(X) ((X)->pbstrVal)
#define V_BOOLREF(X) ((X)->pboolVal)
#define V_VARIANTREF(X) ((X)->pvarVal)
#define V_ARRAYREF(X) ((X)->pparray)

// VariantChangeType(Ex) flags.
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02      // VT_BOOL to text gives "True"/"False" (otherwise "-1"/"0")
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_CALENDAR_HIJRI 0x08
#define VARIANT_LOCALBOOL 0x10      // as VARIANT_ALPHABOOL in the (here always English) locale
#define VARIANT_CALENDAR_THAI 0x20
#define VARIANT_CALENDAR_GREGORIAN 0x40
#define VARIANT_USE_NLS 0x80

// VarBstrFromDate / VarDateFromStr flags.
#define VAR_TIMEVALUEONLY (static_cast<DWORD>(0x00000001))
#define VAR_DATEVALUEONLY (static_cast<DWORD>(0x00000002))

extern "C" {
void WINAPI VariantInit(VARIANTARG* pvarg);
// Frees what the variant owns (BSTR, array, interface reference; nothing for VT_BYREF) and leaves it
// VT_EMPTY. DISP_E_BADVARTYPE for a type a VARIANT cannot hold, DISP_E_ARRAYISLOCKED for a locked array.
HRESULT WINAPI VariantClear(VARIANTARG* pvarg);
// Clears the destination, then copies: BSTRs and arrays deeply, interfaces with AddRef, VT_BYREF as
// the reference itself.
HRESULT WINAPI VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// As VariantCopy, but a VT_BYREF source is copied as the value it refers to (one level; a
// VT_BYREF | VT_VARIANT that refers to another reference is E_INVALIDARG).
HRESULT WINAPI VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc);

// Converts pvarSrc (a VT_BYREF source is read through) to vt into pvargDest, which may be pvarSrc.
// On failure the destination is left as it was. Numbers, booleans, dates and text follow the
// English (United States) conventions whatever the locale:
//   - to an integer type, a real value is rounded half to even (2.5 -> 2, 3.5 -> 4), then checked
//     against the type's range: DISP_E_OVERFLOW;
//   - VT_BOOL is -1 (VARIANT_TRUE) or 0 as a number; a number is true when it is not 0; text is
//     "True"/"False"/"#TRUE#"/"#FALSE#" (any case) or a number;
//   - text is read as a number with optional sign, "," thousands separators, "." and an exponent;
//     text that is no number (or no date, for VT_DATE) is DISP_E_TYPEMISMATCH;
//   - VT_EMPTY becomes 0, "", false; VT_NULL converts only to VT_NULL and VT_EMPTY, anything else is
//     DISP_E_TYPEMISMATCH;
//   - VT_ARRAY | VT_BSTR converts only to itself (a copy); VT_DECIMAL, VT_ERROR and records convert only
//     to their own type; a vt that no VARIANT can hold is DISP_E_BADVARTYPE.
HRESULT WINAPI VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);
HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                                   VARTYPE vt);

// ---- Dates ----------------------------------------------------------------------------------------
// An automation date counts days since 30 December 1899 at midnight; the fraction is the time of day,
// also for negative values (-1.25 is 29 December 1899, 06:00). Its range is 1 January 100 to
// 31 December 9999; times are resolved to the second.
//
// Text is read in these forms (any case, surrounding blanks ignored), a time alone giving 30 December
// 1899 and a date alone midnight:
//   2008-07-18   2008-07-18T13:45:00   2008-07-18 13:45:00   2008/07/18
//   7/18/2008    7-18-2008    7/18/08 (two-digit years: 00-29 are 20xx, 30-99 19xx)
//   July 18, 2008    Jul 18 2008    Friday, July 18, 2008    18 July 2008    18-Jul-2008
//   each date optionally followed by a time: 13:45, 13:45:00, 1:45 PM, 1:45:00 PM, 1 PM;
//   or a time alone.
// Text that is none of these, or names a day that does not exist, is DISP_E_TYPEMISMATCH.
HRESULT WINAPI VarDateFromStr(LPCOLESTR strIn, LCID lcid, ULONG dwFlags, DATE* pdateOut);
// English (United States) form: "7/18/2008 1:45:00 PM"; a date at midnight shows the date alone
// ("7/18/2008"), a time on 30 December 1899 the time alone ("1:45:00 PM", "12:00:00 AM").
// VAR_DATEVALUEONLY / VAR_TIMEVALUEONLY show only that part. E_INVALIDARG outside the range.
HRESULT WINAPI VarBstrFromDate(DATE dateIn, LCID lcid, ULONG dwFlags, BSTR* pbstrOut);
// TRUE on success. Milliseconds are ignored; a year outside 100-9999 or a day, month or time that
// does not exist gives FALSE.
INT WINAPI SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DOUBLE* pvtime);
// Rounded to the nearest second; wDayOfWeek is filled and wMilliseconds is 0. FALSE outside the range.
INT WINAPI VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime);

// ---- SAFEARRAY ------------------------------------------------------------------------------------
// Element types: the numbers, VT_BOOL, VT_DATE, VT_CY, VT_ERROR, VT_DECIMAL, VT_BSTR, VT_VARIANT,
// VT_UNKNOWN and VT_DISPATCH. Elements start zeroed (null BSTRs, VT_EMPTY variants, null interfaces).
// Indexes in rgIndices are given left-most dimension first.
SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// Frees the elements (BSTRs, variants, interface references) and the array. DISP_E_ARRAYISLOCKED
// while locked.
HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* psa);
// Changes the right-most dimension's bounds: the elements kept keep their values, those dropped are
// freed, new ones start zeroed. E_INVALIDARG for a null argument, DISP_E_ARRAYISLOCKED while locked.
HRESULT WINAPI SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew);
HRESULT WINAPI SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
UINT WINAPI SafeArrayGetDim(SAFEARRAY* psa);
UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* psa);
// nDim counts from 1, the left-most dimension; DISP_E_BADINDEX outside 1..cDims.
HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
// A lock count; E_UNEXPECTED when unlocking an unlocked array.
HRESULT WINAPI SafeArrayLock(SAFEARRAY* psa);
HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* psa);
HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* psa);
HRESULT WINAPI SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData);
// A copy of the element: a new BSTR, a VariantCopy, an AddRef'd interface. DISP_E_BADINDEX outside
// the bounds.
HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
// Stores a copy of *pv, freeing what the element held. For VT_BSTR, VT_UNKNOWN and VT_DISPATCH pv is
// the BSTR or interface pointer itself; for the other types it points to the value.
HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);

// ---- Error information ----------------------------------------------------------------------------
// An empty error information object to fill through ICreateErrorInfo.
HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo);
// The calling thread's error information: SetErrorInfo replaces it (null clears it); GetErrorInfo
// hands it over and clears it, S_FALSE with a null pointer when there is none.
HRESULT WINAPI SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
HRESULT WINAPI GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);
}
