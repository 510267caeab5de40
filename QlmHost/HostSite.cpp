#include "HostSite.h"

namespace qlmhost {

STDMETHODIMP HostSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk == nullptr) return E_POINTER;
    *ppmk = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP HostSite::GetContainer(IOleContainer** ppContainer) {
    if (ppContainer == nullptr) return E_POINTER;
    *ppContainer = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP HostSite::OnChanged(DISPID dispID) {
    if (changed_) changed_(dispID);
    return S_OK;
}

}  // namespace qlmhost
