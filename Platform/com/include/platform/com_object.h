#pragma once
// Turns a C++ class into a COM class:
//
//   class Engine final : public platform::com::Implements<Engine, IQlmEngine> { ... the methods ... };
//   platform::com::ComPtr<Engine> engine = platform::com::Make<Engine>();
//
// Implements<> gives an atomic reference count that starts at 1 (Make takes that reference),
// QueryInterface over the listed interfaces and the interfaces they extend (see com_interface.h),
// with IUnknown always answered by the first listed interface's pointer, so that identity holds.
// Aggregation is not supported: the class factory refuses an outer object.
//
// Each live object and each LockServer(TRUE) counts in its module's counts, which DllCanUnloadNow
// reads through ModuleCanUnloadNow(). The counts have hidden visibility: every shared object that
// includes this header (the program, each in-process server) has counts of its own. Build servers with
// hidden visibility (qlm_add_com_server does) so that no other module's copy of an inline function
// stands in for the server's own.
#include <atomic>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/com_interface.h"
#include "platform/com_ptr.h"
#include "winerror.h"

namespace platform::com {

struct ModuleCounts {
    std::atomic<LONG> objects{0};
    std::atomic<LONG> locks{0};
};

#define QLM_MODULE_LOCAL __attribute__((visibility("hidden")))

QLM_MODULE_LOCAL inline ModuleCounts g_moduleCounts;

QLM_MODULE_LOCAL inline void ModuleObjectCreated() { g_moduleCounts.objects.fetch_add(1, std::memory_order_relaxed); }
QLM_MODULE_LOCAL inline void ModuleObjectDestroyed() { g_moduleCounts.objects.fetch_sub(1, std::memory_order_acq_rel); }
QLM_MODULE_LOCAL inline void LockModule(bool lock) {
    if (lock)
        g_moduleCounts.locks.fetch_add(1, std::memory_order_relaxed);
    else
        g_moduleCounts.locks.fetch_sub(1, std::memory_order_acq_rel);
}
QLM_MODULE_LOCAL inline LONG ModuleObjectCount() { return g_moduleCounts.objects.load(std::memory_order_acquire); }
// What DllCanUnloadNow returns: S_OK when no object of this module lives and no lock is held.
QLM_MODULE_LOCAL inline HRESULT ModuleCanUnloadNow() {
    return g_moduleCounts.objects.load(std::memory_order_acquire) == 0 &&
                   g_moduleCounts.locks.load(std::memory_order_acquire) == 0
               ? S_OK
               : S_FALSE;
}

namespace detail {

template <class First, class...>
struct FirstOf {
    using type = First;
};

// Whether riid names I or an interface that I extends (IUnknown is answered separately).
template <class I>
bool InChain(REFIID riid) {
    if constexpr (std::is_same_v<I, IUnknown> || std::is_void_v<I>)
        return false;
    else
        return IsEqualIID(riid, InterfaceTraits<I>::iid) || InChain<typename InterfaceTraits<I>::Base>(riid);
}

}  // namespace detail

template <class Derived, class... Interfaces>
class Implements : public Interfaces... {
    static_assert(sizeof...(Interfaces) > 0, "a COM class implements at least one interface");
    static_assert((std::is_base_of_v<IUnknown, Interfaces> && ...), "only interfaces can be listed");
    using First = typename detail::FirstOf<Interfaces...>::type;

public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) return E_POINTER;
        void* found = nullptr;
        if (IsEqualIID(riid, IID_IUnknown))
            found = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            (void)((detail::InChain<Interfaces>(riid) && (found = static_cast<Interfaces*>(this), true)) || ...);
        *ppvObject = found;
        if (found == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    STDMETHODIMP_(ULONG) AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            static_assert(std::is_final_v<Derived>, "a COM class is deleted as its own type: declare it final");
            delete static_cast<Derived*>(this);
        }
        return left;
    }

protected:
    Implements() noexcept { ModuleObjectCreated(); }
    ~Implements() { ModuleObjectDestroyed(); }
    Implements(const Implements&) = delete;
    Implements& operator=(const Implements&) = delete;

private:
    std::atomic<ULONG> refs_{1};
};

// A new object, holding the one reference it starts with; empty when memory runs out.
template <class T, class... Args>
ComPtr<T> Make(Args&&... args) {
    ComPtr<T> object;
    object.Attach(new (std::nothrow) T(std::forward<Args>(args)...));
    return object;
}

// The class object of a class T that is default-constructible.
template <class T>
class ClassFactory final : public Implements<ClassFactory<T>, IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) return E_POINTER;
        *ppvObject = nullptr;
        if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
        ComPtr<T> object = Make<T>();
        if (!object) return E_OUTOFMEMORY;
        return object->QueryInterface(riid, ppvObject);
    }

    STDMETHODIMP LockServer(BOOL fLock) override {
        LockModule(fLock != FALSE);
        return S_OK;
    }
};

// For DllGetClassObject: hands out T's class object as riid.
template <class T>
HRESULT GetClassObject(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    ComPtr<ClassFactory<T>> factory = Make<ClassFactory<T>>();
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(riid, ppv);
}

// The whole of DllGetClassObject for a server of one class: T's class object when rclsid is the class
// it serves, CLASS_E_CLASSNOTAVAILABLE for any other.
template <class T>
HRESULT GetClassObject(REFCLSID served, REFCLSID rclsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, served)) return CLASS_E_CLASSNOTAVAILABLE;
    return GetClassObject<T>(riid, ppv);
}

}  // namespace platform::com
