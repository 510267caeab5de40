// Connection points: advise and unadvise with cookies, and the calls an object makes to its sinks.
#include "platform/connection_point.h"

#include <algorithm>

namespace platform::com {

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint)) return E_NOINTERFACE;
    *ppvObject = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* pIID) {
    if (pIID == nullptr) return E_POINTER;
    *pIID = iid_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (ppCPC == nullptr) return E_POINTER;
    container_.AddRef();
    *ppCPC = &container_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    if (pdwCookie == nullptr) return E_POINTER;
    *pdwCookie = 0;
    if (pUnkSink == nullptr) return E_POINTER;
    ComPtr<IUnknown> sink;
    if (FAILED(pUnkSink->QueryInterface(iid_, reinterpret_cast<void**>(sink.GetAddressOf()))) || !sink)
        return CONNECT_E_CANNOTCONNECT;
    const DWORD cookie = nextCookie_++;
    sinks_.emplace_back(cookie, std::move(sink));
    *pdwCookie = cookie;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD dwCookie) {
    auto found = std::find_if(sinks_.begin(), sinks_.end(), [&](const auto& s) { return s.first == dwCookie; });
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    // Released after it has left the list: its Release may call back into this point.
    ComPtr<IUnknown> sink = std::move(found->second);
    sinks_.erase(found);
    return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
    if (ppEnum != nullptr) *ppEnum = nullptr;
    return E_NOTIMPL;
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
    std::vector<ComPtr<IUnknown>> sinks;
    sinks.reserve(sinks_.size());
    for (const auto& s : sinks_) sinks.push_back(s.second);
    return sinks;
}

HRESULT FindConnectionPoint(std::initializer_list<ConnectionPoint*> points, REFIID riid, IConnectionPoint** ppCP) {
    if (ppCP == nullptr) return E_POINTER;
    *ppCP = nullptr;
    for (ConnectionPoint* point : points) {
        if (IsEqualIID(point->Iid(), riid)) {
            point->AddRef();
            *ppCP = point;
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

void NotifyChanged(const ConnectionPoint& point, DISPID dispid) {
    point.ForEachSink<IPropertyNotifySink>([&](IPropertyNotifySink* sink) { sink->OnChanged(dispid); });
}

}  // namespace platform::com
