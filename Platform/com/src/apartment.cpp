// CoInitialize / CoUninitialize: which threads have initialised COM, in which model, how often.
#include "apartment.h"

#include "combaseapi.h"
#include "platform/fault_injection.h"
#include "winerror.h"

namespace {

struct ThreadApartment {
    unsigned initCount = 0;
    DWORD model = COINIT_APARTMENTTHREADED;  // meaningful while initCount > 0
};

thread_local ThreadApartment t_apartment;

HRESULT InitializeThread(LPVOID reserved, DWORD coInit) {
    if (reserved != nullptr) return E_INVALIDARG;
    const DWORD model = coInit & COINIT_APARTMENTTHREADED;
    ThreadApartment& apartment = t_apartment;
    if (apartment.initCount > 0 && apartment.model != model) return RPC_E_CHANGED_MODE;
    apartment.model = model;
    return apartment.initCount++ == 0 ? S_OK : S_FALSE;
}

}  // namespace

namespace platform::com {

bool ThreadHasInitializedCom() { return t_apartment.initCount > 0; }

}  // namespace platform::com

extern "C" {

HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    if (auto injected = platform::fault::Check("CoInitializeEx")) return HRESULT_FROM_WIN32(*injected);
    return InitializeThread(pvReserved, dwCoInit);
}

HRESULT WINAPI CoInitialize(LPVOID pvReserved) {
    if (auto injected = platform::fault::Check("CoInitialize")) return HRESULT_FROM_WIN32(*injected);
    return InitializeThread(pvReserved, COINIT_APARTMENTTHREADED);
}

// Loaded servers stay loaded past the last CoUninitialize: objects that a caller still holds would
// otherwise lose their code. CoFreeUnusedLibraries unloads what is unused.
void WINAPI CoUninitialize() {
    if (t_apartment.initCount > 0) --t_apartment.initCount;
}

}  // extern "C"
