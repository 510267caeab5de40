#pragma once
// The host's side of the control's site: where the control lives (IOleClientSite) and where it
// announces its property changes (IPropertyNotifySink). Only what a host of one control needs.
#include <functional>

#include "ocidl.h"
#include "oleidl.h"
#include "platform/com_object.h"

namespace qlmhost {

class HostSite final : public platform::com::Implements<HostSite, IOleClientSite, IPropertyNotifySink> {
public:
    // Called for every property-change notification.
    void OnPropertyChanged(std::function<void(DISPID)> handler) { changed_ = std::move(handler); }

    // IOleClientSite: the control lives on no document of its own; there is no container to reach.
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IPropertyNotifySink: every change is welcome.
    STDMETHODIMP OnChanged(DISPID dispID) override;
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

private:
    std::function<void(DISPID)> changed_;
};

}  // namespace qlmhost
