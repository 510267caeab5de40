#pragma once
// A connection point that an object keeps as a member (as ATL's IConnectionPointImpl): its
// reference count is its container's, so it lives exactly as long as the object that holds it.
//
//   class Control final : public Implements<Control, IControl, IConnectionPointContainer> {
//       ConnectionPoint propertyNotify_{*this, IID_IPropertyNotifySink};
//       STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
//           return platform::com::FindConnectionPoint({&propertyNotify_}, riid, ppCP);
//       }
//       ... NotifyChanged(propertyNotify_, dispid) after a property changes.
//   };
#include <initializer_list>
#include <utility>
#include <vector>

#include "ocidl.h"
#include "platform/com_ptr.h"

namespace platform::com {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer& container, REFIID iid) : container_(container), iid_(iid) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    // IUnknown: IUnknown and IConnectionPoint are this point; the count is the container's.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override;
    STDMETHODIMP_(ULONG) AddRef() override { return container_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return container_.Release(); }

    STDMETHODIMP GetConnectionInterface(IID* pIID) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    // Keeps the sink as the connection interface (CONNECT_E_CANNOTCONNECT when it has none); cookies
    // start at 1 and are never reused by this point.
    STDMETHODIMP Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    // CONNECT_E_NOCONNECTION for a cookie that is not connected.
    STDMETHODIMP Unadvise(DWORD dwCookie) override;
    // Not provided: E_NOTIMPL.
    STDMETHODIMP EnumConnections(IEnumConnections** ppEnum) override;

    const IID& Iid() const { return iid_; }
    // The connected sinks (as the connection interface), in the order they were advised. A copy:
    // a sink may advise or unadvise while it is being called.
    std::vector<ComPtr<IUnknown>> Sinks() const;

    // Calls f(Sink*) for each sink connected when the round starts.
    template <class Sink, class F>
    void ForEachSink(F&& f) const {
        for (const ComPtr<IUnknown>& sink : Sinks()) f(static_cast<Sink*>(sink.Get()));
    }

private:
    IConnectionPointContainer& container_;
    IID iid_;
    std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks_;
    DWORD nextCookie_ = 1;
};

// IConnectionPointContainer::FindConnectionPoint over an object's points: CONNECT_E_NOCONNECTION
// for an interface that none of them serves.
HRESULT FindConnectionPoint(std::initializer_list<ConnectionPoint*> points, REFIID riid, IConnectionPoint** ppCP);

// IPropertyNotifySink::OnChanged(dispid) to every sink of `point`.
void NotifyChanged(const ConnectionPoint& point, DISPID dispid);

}  // namespace platform::com
