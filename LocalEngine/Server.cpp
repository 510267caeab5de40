// The exports of libLocalEngine.so, an in-process server of one class: the engine (CLSID_QlmEngine).
#include "LocalEngine.h"
#include "combaseapi.h"
#include "platform/class_registry.h"

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return platform::com::GetClassObject<local_engine::LocalEngine>(CLSID_QlmEngine, rclsid, riid, ppv);
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() { return platform::com::ModuleCanUnloadNow(); }

// The engine keeps no state between calls but its store, which serves every thread: "Both".
WINAPI_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    return platform::com::RegisterInprocServer(CLSID_QlmEngine, platform::com::ThisModulePath(), "Both",
                                               {{"Description", "Quillmarsh engine (local stand-in)"}});
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return platform::com::RemoveRegistryEntry(platform::com::RegistryKind::Class, CLSID_QlmEngine);
}
