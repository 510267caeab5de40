#pragma once
// OLE Automation. Each kind of automation data keeps its own section below.
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
