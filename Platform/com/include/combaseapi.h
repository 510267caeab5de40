#pragma once
// The COM runtime: apartments per thread, objects created through the class registry and in-process
// servers, task memory, and the text form of GUIDs.
#include "unknwn.h"
#include "wtypes.h"

typedef enum tagCOINIT {
    COINIT_MULTITHREADED = 0x0,
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_DISABLE_OLE1DDE = 0x4,
    COINIT_SPEED_OVER_MEMORY = 0x8,
} COINIT;

// What an in-process server exports (extern "C", default visibility).
typedef HRESULT(STDAPICALLTYPE* LPFNGETCLASSOBJECT)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* LPFNCANUNLOADNOW)();
typedef HRESULT(STDAPICALLTYPE* LPFNREGISTERSERVER)();

extern "C" {
// Per thread: S_OK for the first call, S_FALSE for each further one (each needs its CoUninitialize);
// asking for the other concurrency model than the thread has fails with RPC_E_CHANGED_MODE.
// Apartments are bookkeeping only on this platform: interface pointers are never marshalled.
HRESULT WINAPI CoInitialize(LPVOID pvReserved);
HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void WINAPI CoUninitialize();

// In-process servers only (CLSCTX_INPROC_SERVER, also as part of CLSCTX_ALL). A server library is
// loaded once per process and stays until CoFreeUnusedLibraries finds it unused. Failures:
//   CO_E_NOTINITIALIZED                        the calling thread has not initialised COM
//   REGDB_E_CLASSNOTREG                        no entry for the class, or none for an in-process server
//   HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)    the server library (or a library it needs) is missing
//   HRESULT_FROM_WIN32(ERROR_BAD_FORMAT)       the server file is not a loadable library
//   CO_E_ERRORINDLL                            the library does not export DllGetClassObject
//   otherwise what the server's DllGetClassObject / IClassFactory::CreateInstance returns
//   (CLASS_E_CLASSNOTAVAILABLE, CLASS_E_NOAGGREGATION, E_NOINTERFACE, ...).
HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
HRESULT WINAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv);
// Asks each loaded server's DllCanUnloadNow and unloads those that answer S_OK.
void WINAPI CoFreeUnusedLibraries();

// Task memory is the C heap, so any module frees what another allocated.
LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb);
LPVOID WINAPI CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
void WINAPI CoTaskMemFree(LPVOID pv);

// The braced form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", hex digits in either case. Bad text gives
// CO_E_CLASSSTRING (CLSIDFromString) or E_INVALIDARG (IIDFromString); a null text gives the null GUID.
HRESULT WINAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
HRESULT WINAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid);
// Upper-case braced form; returns the characters written including the NUL (39), or 0 if cchMax is short.
int WINAPI StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
}

// The exports of an in-process server, declared here so that a server's definitions match them.
WINAPI_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
WINAPI_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow();
WINAPI_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer();
WINAPI_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer();
