#pragma once
// The IID of an interface type, known at compile time (what __uuidof gives on Windows), and the
// interface it extends, so that QueryInterface can answer for the whole chain.
//
// Declare an interface once, at global scope, after its definition:
//   QLM_DECLARE_INTERFACE(IQlmEngine, IID_IQlmEngine);                  // extends IUnknown
//   QLM_DECLARE_INTERFACE_BASE(IViewObject2, IID_IViewObject2, IViewObject);
#include <type_traits>

#include "unknwn.h"

namespace platform::com {

template <class I>
struct InterfaceTraits;

template <>
struct InterfaceTraits<IUnknown> {
    static constexpr const IID& iid = IID_IUnknown;
    using Base = void;
};

template <>
struct InterfaceTraits<IClassFactory> {
    static constexpr const IID& iid = IID_IClassFactory;
    using Base = IUnknown;
};

template <class I>
constexpr const IID& IidOf() {
    return InterfaceTraits<I>::iid;
}

template <class I>
void** PpvArg(I** pp) {
    static_assert(std::is_base_of_v<IUnknown, I>, "IID_PPV_ARGS needs a pointer to an interface pointer");
    return reinterpret_cast<void**>(pp);
}

}  // namespace platform::com

#define QLM_DECLARE_INTERFACE_BASE(Interface, iidConstant, BaseInterface)                  \
    template <>                                                                            \
    struct platform::com::InterfaceTraits<Interface> {                                     \
        static_assert(std::is_base_of_v<BaseInterface, Interface>, "not its base");        \
        static constexpr const IID& iid = iidConstant;                                     \
        using Base = BaseInterface;                                                        \
    }
#define QLM_DECLARE_INTERFACE(Interface, iidConstant) QLM_DECLARE_INTERFACE_BASE(Interface, iidConstant, IUnknown)

// CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&engine)) with engine an IQlmEngine*.
#define IID_PPV_ARGS(pp) \
    platform::com::IidOf<std::remove_cv_t<std::remove_pointer_t<std::remove_reference_t<decltype(*(pp))>>>>(), \
        platform::com::PpvArg(pp)
