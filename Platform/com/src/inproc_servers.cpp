// In-process servers: CoCreateInstance and CoGetClassObject find a class's server library through the
// class registry, load it once with dlopen, and ask its DllGetClassObject; CoFreeUnusedLibraries
// unloads the libraries whose DllCanUnloadNow says they are unused.
#include <dlfcn.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "apartment.h"
#include "combaseapi.h"
#include "platform/class_registry.h"
#include "platform/fault_injection.h"
#include "platform/server_library.h"
#include "winerror.h"

namespace {

struct LoadedServer {
    std::string path;
    void* handle = nullptr;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr;  // a library without it stays loaded
    unsigned callsInFlight = 0;               // DllGetClassObject calls that have not returned yet
};

struct ServerTable {
    std::mutex mutex;
    std::vector<std::unique_ptr<LoadedServer>> servers;
};

// Never destroyed: a server's static destructors may still release objects at process exit.
ServerTable& TheServers() {
    static ServerTable* table = new ServerTable;
    return *table;
}

// The loaded server for `path`, loading it on first use; marked busy until LeaveServer.
HRESULT EnterServer(const std::string& path, LoadedServer*& server) {
    ServerTable& table = TheServers();
    std::lock_guard lock(table.mutex);
    for (auto& loaded : table.servers) {
        if (loaded->path == path) {
            ++loaded->callsInFlight;
            server = loaded.get();
            return S_OK;
        }
    }
    void* handle = nullptr;
    if (HRESULT hr = platform::com::LoadServerLibrary(path, handle); FAILED(hr)) return hr;
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(::dlsym(handle, "DllGetClassObject"));
    if (getClassObject == nullptr) {
        ::dlclose(handle);
        return CO_E_ERRORINDLL;
    }
    auto loaded = std::make_unique<LoadedServer>();
    loaded->path = path;
    loaded->handle = handle;
    loaded->getClassObject = getClassObject;
    loaded->canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(::dlsym(handle, "DllCanUnloadNow"));
    loaded->callsInFlight = 1;
    server = loaded.get();
    table.servers.push_back(std::move(loaded));
    return S_OK;
}

void LeaveServer(LoadedServer* server) {
    ServerTable& table = TheServers();
    std::lock_guard lock(table.mutex);
    --server->callsInFlight;
}

// The class object of clsid as riid, from its in-process server.
HRESULT GetServerClassObject(REFCLSID clsid, DWORD clsContext, REFIID riid, void** ppv) {
    if ((clsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    platform::com::RegistryEntry entry;
    HRESULT hr = platform::com::FindRegistryEntry(platform::com::RegistryKind::Class, clsid, entry);
    if (FAILED(hr)) return hr;
    const std::optional<std::string> path = entry.Get(platform::com::kInprocServer32);
    if (!path || path->empty()) return REGDB_E_CLASSNOTREG;
    LoadedServer* server = nullptr;
    hr = EnterServer(*path, server);
    if (FAILED(hr)) return hr;
    // Called outside the table's lock: a server may create other objects while it serves this call.
    hr = server->getClassObject(clsid, riid, ppv);
    LeaveServer(server);
    return hr;
}

}  // namespace

extern "C" {

HRESULT WINAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv) {
    (void)pvReserved;  // server information for remote activation: there is none here
    if (auto injected = platform::fault::Check("CoGetClassObject")) return HRESULT_FROM_WIN32(*injected);
    if (ppv == nullptr) return E_INVALIDARG;
    *ppv = nullptr;
    if (!platform::com::ThreadHasInitializedCom()) return CO_E_NOTINITIALIZED;
    return GetServerClassObject(rclsid, dwClsContext, riid, ppv);
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (auto injected = platform::fault::Check("CoCreateInstance")) return HRESULT_FROM_WIN32(*injected);
    if (ppv == nullptr) return E_INVALIDARG;
    *ppv = nullptr;
    if (!platform::com::ThreadHasInitializedCom()) return CO_E_NOTINITIALIZED;
    IClassFactory* factory = nullptr;
    HRESULT hr = GetServerClassObject(rclsid, dwClsContext, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

void WINAPI CoFreeUnusedLibraries() {
    ServerTable& table = TheServers();
    std::lock_guard lock(table.mutex);
    std::erase_if(table.servers, [](const std::unique_ptr<LoadedServer>& server) {
        if (server->callsInFlight != 0 || server->canUnloadNow == nullptr || server->canUnloadNow() != S_OK)
            return false;
        ::dlclose(server->handle);
        return true;
    });
}

}  // extern "C"
