// The exports of libQuillmarsh.so, an in-process server of one class, the QlmUI control, and of its type
// library.
#include <string>

#include "QlmUI.h"
#include "TypeLibrary.h"
#include "combaseapi.h"
#include "platform/class_registry.h"
#include "platform/guid.h"

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return platform::com::GetClassObject<qlmcontrol::QlmUI>(CLSID_QlmUI, rclsid, riid, ppv);
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() { return platform::com::ModuleCanUnloadNow(); }

// The class as a host's toolbox finds a control: apartment-threaded, its miscellaneous status, its toolbox
// bitmap, and its type library, which is registered beside it.
WINAPI_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::filesystem::path server = platform::com::ThisModulePath();
    const std::string version = std::to_string(kQuillmarshLibMajor) + "." + std::to_string(kQuillmarshLibMinor);
    const std::string miscStatus = std::to_string(kQlmUIMiscStatus);
    const std::string bitmap = server.string() + ", " + std::to_string(kToolboxBitmapId);
    const std::string libid = platform::com::GuidToString(LIBID_Quillmarsh);
    HRESULT hr = platform::com::RegisterInprocServer(CLSID_QlmUI, server, "Apartment",
                                                     {{"ProgID", "Quillmarsh.QlmUI"},
                                                      {"Control", "1"},
                                                      {"MiscStatus", miscStatus},
                                                      {"ToolboxBitmap32", bitmap},
                                                      {"TypeLib", libid},
                                                      {"Version", version}});
    if (FAILED(hr)) return hr;
    hr = platform::com::RegisterTypeLibrary(qlmcontrol::QuillmarshLibrary(), server);
    return FAILED(hr) ? hr : S_OK;
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
    const HRESULT classRemoved = platform::com::RemoveRegistryEntry(platform::com::RegistryKind::Class, CLSID_QlmUI);
    const HRESULT libraryRemoved = platform::com::UnregisterTypeLibrary(qlmcontrol::QuillmarshLibrary());
    if (FAILED(classRemoved)) return classRemoved;
    return FAILED(libraryRemoved) ? libraryRemoved : S_OK;
}
