#pragma once
// One table describes an automation interface's members once; IDispatch, the type information and
// the check against the C++ interface all come from it.
//
// The dual vtable IS the C++ interface: a member is described by a pointer to the interface's member
// function, from which its parameter and result types are deduced, and its vtable entry is known.
// A table lists the members in vtable order (a property's get before its put):
//
//   const platform::com::MemberDescription kWidgetMembers[] = {
//       PropertyGet<&IWidget::get_Text>(u"Text", 1, u"Returns/sets the text."),
//       PropertyPut<&IWidget::put_Text>(u"Text", 1, u"Returns/sets the text."),
//       PropertyGet<&IWidget::get_Enabled>(u"Enabled", 2, nullptr, Retval(VT_BOOL)),
//       Method<&IWidget::Check>(u"Check", 3, nullptr, u"email", Retval(VT_BOOL)),
//   };
//
// One Param per C++ parameter, in order; the result (an [out, retval] pointer) is the last one,
// marked Retval(). A `short` is VT_I2 unless the table says VT_BOOL (VARIANT_BOOL is a short).
//
// A COM class with a dual interface derives from ImplementsDispatch<Derived, IWidget, Others...> (in
// place of Implements<>) and gives `static const InterfaceDescription& DispatchInterface()`.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "oleauto.h"
#include "platform/com_object.h"

namespace platform::com {

// ---- Descriptions -------------------------------------------------------------------------------

struct ParameterDescription {
    const char16_t* name = nullptr;
    // VT_BSTR, VT_VARIANT, VT_I2, VT_BOOL, VT_I4, or VT_ARRAY | the element type for a SAFEARRAY.
    VARTYPE vt = VT_EMPTY;
    bool byRef = false;              // passed as a pointer
    USHORT flags = PARAMFLAG_FIN;    // PARAMFLAG_FIN, PARAMFLAG_FOUT, PARAMFLAG_FRETVAL
};

inline constexpr std::size_t kMaxParameters = 8;

struct MemberDescription;

// Converts the arguments to the C++ parameters, calls the member through the vtable and hands its
// result back. `called` tells whether the member itself ran (a failure before it is the arguments').
using MemberInvoker = HRESULT (*)(void* object, const MemberDescription& member, DISPPARAMS* params,
                                  VARIANT* result, UINT* argErr, bool* called);

struct MemberDescription {
    const char16_t* name = nullptr;
    DISPID dispid = DISPID_UNKNOWN;
    INVOKEKIND kind = INVOKE_FUNC;
    const char16_t* helpString = nullptr;  // help context is always 0
    std::array<ParameterDescription, kMaxParameters> parameters{};
    USHORT parameterCount = 0;
    std::size_t vtableSlot = 0;
    MemberInvoker invoke = nullptr;
    bool typesMatch = true;  // every VARTYPE given suits its C++ parameter type

    bool HasRetval() const { return parameterCount > 0 && (parameters[parameterCount - 1].flags & PARAMFLAG_FRETVAL); }
    // The arguments a caller passes (all parameters but the result).
    USHORT ArgumentCount() const { return static_cast<USHORT>(parameterCount - (HasRetval() ? 1 : 0)); }
};

struct TypeLibraryDescription;

struct InterfaceDescription {
    const char16_t* name = nullptr;
    const char16_t* helpString = nullptr;
    IID iid = GUID_NULL;
    // TYPEFLAG_FHIDDEN, TYPEFLAG_FNONEXTENSIBLE, ...; a dual interface adds TYPEFLAG_FDUAL,
    // TYPEFLAG_FOLEAUTOMATION and TYPEFLAG_FDISPATCHABLE, a dispinterface TYPEFLAG_FDISPATCHABLE.
    WORD typeFlags = 0;
    bool dual = true;  // false: a pure dispinterface, which has no members here
    std::span<const MemberDescription> members;
    const TypeLibraryDescription* library = nullptr;  // for IDispatch::GetTypeInfo
};

struct ImplementedInterface {
    const InterfaceDescription* iface = nullptr;
    INT flags = 0;  // IMPLTYPEFLAG_FDEFAULT, IMPLTYPEFLAG_FSOURCE
};

struct ClassDescription {
    const char16_t* name = nullptr;
    const char16_t* helpString = nullptr;
    CLSID clsid = GUID_NULL;
    WORD typeFlags = 0;  // TYPEFLAG_FCONTROL, TYPEFLAG_FCANCREATE, ...: exactly these
    std::span<const ImplementedInterface> interfaces;
};

// The library's types are its interfaces, in order, followed by its classes.
struct TypeLibraryDescription {
    const char16_t* name = nullptr;
    const char16_t* helpString = nullptr;
    GUID libid = GUID_NULL;
    WORD majorVersion = 1;
    WORD minorVersion = 0;
    LCID lcid = 0;
    WORD libFlags = 0;  // LIBFLAG_FCONTROL, ...
    std::span<const InterfaceDescription* const> interfaces;
    std::span<const ClassDescription* const> classes;
};

// ---- Building a member's description from the C++ interface ------------------------------------

// A parameter's name, and its VARTYPE where the C++ type does not tell it (VT_BOOL for a short).
struct Param {
    constexpr Param(const char16_t* n) : name(n) {}
    constexpr Param(const char16_t* n, VARTYPE v) : name(n), vt(v) {}
    const char16_t* name;
    VARTYPE vt = VT_EMPTY;  // from the C++ type
    bool retval = false;
};

// The [out, retval] parameter: the member's result.
constexpr Param Retval(VARTYPE vt = VT_EMPTY, const char16_t* name = u"retval") {
    Param p(name, vt);
    p.retval = true;
    return p;
}

// The vtable entry a pointer to a virtual member function stands for (Itanium C++ ABI: the pointer
// holds 1 + the entry's byte offset; on ARM the virtual flag is in the adjustment instead).
// SIZE_MAX for a non-virtual function.
template <class M>
std::size_t VtableSlot(M member) {
    static_assert(std::is_member_function_pointer_v<M> && sizeof(M) == 2 * sizeof(void*));
    struct {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } repr;
    std::memcpy(&repr, &member, sizeof repr);
#if defined(__arm__) || defined(__aarch64__)
    return (repr.adj & 1) ? repr.ptr / sizeof(void*) : SIZE_MAX;
#else
    return (repr.ptr & 1) ? (repr.ptr - 1) / sizeof(void*) : SIZE_MAX;
#endif
}

namespace detail {

// What each supported C++ parameter type is to automation, and how an argument becomes one.
template <class T>
struct ArgumentType;

// A by-value argument, converted with VariantChangeType to the parameter's VARTYPE.
template <class T, VARTYPE Vt>
struct ValueArgument {
    static constexpr VARTYPE kVt = Vt;
    static constexpr bool kByRef = false;

    HRESULT Load(const VARIANTARG& arg, VARTYPE vt) {
        if (vt == VT_VARIANT) return VariantCopyInd(&value_, &arg);
        return VariantChangeType(&value_, &arg, 0, vt);
    }
    T Get() {
        if constexpr (std::is_same_v<T, VARIANT>)
            return value_;
        else if constexpr (std::is_same_v<T, BSTR>)
            return value_.bstrVal;
        else if constexpr (std::is_same_v<T, LONG>)
            return value_.lVal;
        else
            return value_.vt == VT_BOOL ? value_.boolVal : value_.iVal;
    }
    ValueArgument() { VariantInit(&value_); }
    ~ValueArgument() { VariantClear(&value_); }
    ValueArgument(const ValueArgument&) = delete;
    ValueArgument& operator=(const ValueArgument&) = delete;

private:
    VARIANT value_;
};

// A by-reference argument: the caller's own storage when the argument refers to a value of the
// parameter's type (directly, or through a VT_BYREF | VT_VARIANT), otherwise a converted copy
// whose changes are dropped. As the result, a slot handed back in *result after the call.
template <class T>
struct ReferenceArgument {
    static constexpr bool kByRef = true;

    HRESULT Load(VARIANTARG& arg, VARTYPE vt) {
        if (arg.vt == (VT_BYREF | vt)) {
            target_ = static_cast<T*>(arg.byref);
            return S_OK;
        }
        if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal != nullptr && vt != VT_VARIANT && arg.pvarVal->vt == vt) {
            target_ = reinterpret_cast<T*>(&arg.pvarVal->llVal);
            return S_OK;
        }
        const HRESULT hr = vt == VT_VARIANT ? VariantCopyInd(&local_, &arg) : VariantChangeType(&local_, &arg, 0, vt);
        target_ = Slot();
        return hr;
    }
    // As the result: an empty slot of the parameter's type.
    void PrepareResult(VARTYPE vt) {
        resultVt_ = vt;
        target_ = Slot();
    }
    // After the call: moves the result into *result (or frees it when there is no room for it).
    void StoreResult(VARIANT* result) {
        if (resultVt_ != VT_VARIANT) local_.vt = resultVt_;
        if (result != nullptr) {
            *result = local_;
            VariantInit(&local_);
        }
    }
    T* Get() { return target_; }

    ReferenceArgument() {
        // The whole value area starts zeroed: an untouched result slot reads as null or 0.
        VariantInit(&local_);
        local_.llVal = 0;
        local_.pRecInfo = nullptr;
    }
    ~ReferenceArgument() { VariantClear(&local_); }
    ReferenceArgument(const ReferenceArgument&) = delete;
    ReferenceArgument& operator=(const ReferenceArgument&) = delete;

private:
    T* Slot() {
        if constexpr (std::is_same_v<T, VARIANT>)
            return &local_;
        else
            return reinterpret_cast<T*>(&local_.llVal);
    }
    VARIANT local_;
    T* target_ = nullptr;
    VARTYPE resultVt_ = VT_EMPTY;
};

template <>
struct ArgumentType<BSTR> : ValueArgument<BSTR, VT_BSTR> {};
template <>
struct ArgumentType<VARIANT> : ValueArgument<VARIANT, VT_VARIANT> {};
template <>
struct ArgumentType<SHORT> : ValueArgument<SHORT, VT_I2> {};
template <>
struct ArgumentType<LONG> : ValueArgument<LONG, VT_I4> {};
template <>
struct ArgumentType<BSTR*> : ReferenceArgument<BSTR> {
    static constexpr VARTYPE kVt = VT_BSTR;
};
template <>
struct ArgumentType<VARIANT*> : ReferenceArgument<VARIANT> {
    static constexpr VARTYPE kVt = VT_VARIANT;
};
template <>
struct ArgumentType<SHORT*> : ReferenceArgument<SHORT> {
    static constexpr VARTYPE kVt = VT_I2;
};
template <>
struct ArgumentType<LONG*> : ReferenceArgument<LONG> {
    static constexpr VARTYPE kVt = VT_I4;
};
template <>
struct ArgumentType<SAFEARRAY**> : ReferenceArgument<SAFEARRAY*> {
    static constexpr VARTYPE kVt = VT_ARRAY | VT_BSTR;
};

// Whether the table may give `given` for a parameter whose C++ type says `deduced`.
constexpr bool TypeFits(VARTYPE deduced, VARTYPE given) {
    if (given == VT_EMPTY || given == deduced) return true;
    if (deduced == VT_I2) return given == VT_BOOL;  // VARIANT_BOOL is a short
    if (deduced == (VT_ARRAY | VT_BSTR)) return given == (VT_ARRAY | VT_VARIANT);
    return false;
}

template <class M>
struct MemberTraits;

template <class I, class... Args>
struct MemberTraits<HRESULT (STDMETHODCALLTYPE I::*)(Args...)> {
    using Interface = I;
    static constexpr std::size_t kArity = sizeof...(Args);
    template <std::size_t K>
    using Argument = ArgumentType<std::tuple_element_t<K, std::tuple<Args...>>>;
};

template <auto Member>
HRESULT InvokeMember(void* object, const MemberDescription& member, DISPPARAMS* params, VARIANT* result,
                     UINT* argErr, bool* called) {
    using Traits = MemberTraits<decltype(Member)>;
    return [&]<std::size_t... K>(std::index_sequence<K...>) {
        std::tuple<typename Traits::template Argument<K>...> arguments;
        const UINT count = member.ArgumentCount();
        HRESULT hr = S_OK;
        // Arguments come in reverse order: the first parameter is rgvarg[cArgs - 1].
        auto load = [&](auto& argument, std::size_t k) {
            if (FAILED(hr)) return;
            const ParameterDescription& parameter = member.parameters[k];
            if (k >= count) {
                if constexpr (std::remove_reference_t<decltype(argument)>::kByRef) argument.PrepareResult(parameter.vt);
                return;
            }
            hr = argument.Load(params->rgvarg[params->cArgs - 1 - k], parameter.vt);
            if (FAILED(hr) && argErr != nullptr) *argErr = static_cast<UINT>(params->cArgs - 1 - k);
        };
        (load(std::get<K>(arguments), K), ...);
        if (FAILED(hr)) return hr;
        *called = true;
        hr = (static_cast<typename Traits::Interface*>(object)->*Member)(std::get<K>(arguments).Get()...);
        if constexpr (Traits::kArity > 0) {
            auto& last = std::get<Traits::kArity - 1>(arguments);
            if constexpr (std::remove_reference_t<decltype(last)>::kByRef) {
                if (member.HasRetval()) last.StoreResult(SUCCEEDED(hr) ? result : nullptr);
            }
        }
        return hr;
    }(std::make_index_sequence<Traits::kArity>{});
}

template <auto Member, std::size_t N>
MemberDescription Describe(const char16_t* name, DISPID dispid, INVOKEKIND kind, const char16_t* help,
                           const std::array<Param, N>& params) {
    using Traits = MemberTraits<decltype(Member)>;
    static_assert(Traits::kArity == N, "the table names every parameter of the member, the result included");
    static_assert(N <= kMaxParameters);
    MemberDescription m;
    m.name = name;
    m.dispid = dispid;
    m.kind = kind;
    m.helpString = help;
    m.parameterCount = static_cast<USHORT>(N);
    m.vtableSlot = VtableSlot(Member);
    m.invoke = &InvokeMember<Member>;
    [&]<std::size_t... K>(std::index_sequence<K...>) {
        auto describe = [&](auto type, std::size_t k) {
            using A = typename decltype(type)::type;
            const Param& p = params[k];
            ParameterDescription& d = m.parameters[k];
            d.name = p.name;
            d.vt = p.vt == VT_EMPTY ? A::kVt : p.vt;
            d.byRef = A::kByRef;
            d.flags = p.retval ? PARAMFLAG_FOUT | PARAMFLAG_FRETVAL
                      : A::kByRef ? PARAMFLAG_FIN | PARAMFLAG_FOUT
                                  : PARAMFLAG_FIN;
            // Only the last parameter, a pointer, can be the result.
            if (!TypeFits(A::kVt, p.vt) || (p.retval && (!A::kByRef || k != N - 1))) m.typesMatch = false;
        };
        (describe(std::type_identity<typename Traits::template Argument<K>>{}, K), ...);
    }(std::make_index_sequence<N>{});
    return m;
}

}  // namespace detail

template <auto Member, class... P>
MemberDescription Method(const char16_t* name, DISPID dispid, const char16_t* help, P... params) {
    return detail::Describe<Member>(name, dispid, INVOKE_FUNC, help, std::array<Param, sizeof...(P)>{Param(params)...});
}

template <auto Member>
MemberDescription PropertyGet(const char16_t* name, DISPID dispid, const char16_t* help = nullptr,
                              Param value = Retval()) {
    value.retval = true;
    return detail::Describe<Member>(name, dispid, INVOKE_PROPERTYGET, help, std::array<Param, 1>{value});
}

template <auto Member>
MemberDescription PropertyPut(const char16_t* name, DISPID dispid, const char16_t* help = nullptr,
                              Param value = Param(u"value")) {
    return detail::Describe<Member>(name, dispid, INVOKE_PROPERTYPUT, help, std::array<Param, 1>{value});
}

// Empty when the table agrees with its C++ interface: a dual interface's members follow IDispatch's
// in vtable order, every member is virtual and its VARTYPEs suit its C++ types, a name has one DISPID
// and a DISPID one name, and no DISPID has two members of the same kind. Otherwise says what differs.
std::string CheckInterfaceTable(const InterfaceDescription& iface);

// ---- IDispatch from the table -------------------------------------------------------------------

// IDispatch::GetIDsOfNames: the member's DISPID for rgszNames[0] (any case), each further name a
// parameter of it, numbered from 0. DISP_E_UNKNOWNNAME (DISPID_UNKNOWN for the unknown names).
HRESULT DispatchGetIDsOfNames(const InterfaceDescription& iface, REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                              DISPID* rgDispId);

// IDispatch::Invoke on `object` (the C++ interface pointer the table describes). DISP_E_MEMBERNOTFOUND
// for no member of that DISPID and kind, DISP_E_BADPARAMCOUNT, DISP_E_NONAMEDARGS for named arguments
// other than DISPID_PROPERTYPUT of a put, an argument that does not convert gives its conversion error
// (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW) with *puArgErr its index in rgvarg. When the member fails and
// `errorSource` supports error information for the interface (ISupportErrorInfo), the error
// information fills *pExcepInfo and the result is DISP_E_EXCEPTION; otherwise the member's HRESULT.
HRESULT DispatchInvoke(IUnknown* errorSource, void* object, const InterfaceDescription& iface, DISPID dispIdMember,
                       REFIID riid, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                       UINT* puArgErr);

// IDispatch::GetTypeInfo: index 0 is the interface's type information in its library.
HRESULT DispatchGetTypeInfo(const InterfaceDescription& iface, UINT iTInfo, ITypeInfo** ppTInfo);

// A COM class whose first interface is a dual interface described by Derived::DispatchInterface().
template <class Derived, class Dual, class... Others>
class ImplementsDispatch : public Implements<Derived, Dual, Others...> {
    static_assert(std::is_base_of_v<IDispatch, Dual>, "the first interface is the dual one");

public:
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
        if (pctinfo == nullptr) return E_INVALIDARG;
        *pctinfo = Derived::DispatchInterface().library != nullptr ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) override {
        return DispatchGetTypeInfo(Derived::DispatchInterface(), iTInfo, ppTInfo);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override {
        return DispatchGetIDsOfNames(Derived::DispatchInterface(), riid, rgszNames, cNames, rgDispId);
    }
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override {
        Dual* self = static_cast<Dual*>(this);
        return DispatchInvoke(self, self, Derived::DispatchInterface(), dispIdMember, riid, wFlags, pDispParams,
                              pVarResult, pExcepInfo, puArgErr);
    }

protected:
    ImplementsDispatch() = default;
};

// ---- Type information from the tables -----------------------------------------------------------
//
// The library's ITypeLib keeps its own copy of the descriptions, so that what a host holds stays
// valid after the server that described it is unloaded.
//   - A dual interface's type information (ITypeLib::GetTypeInfo, GetTypeInfoOfGuid, a class's
//     GetRefTypeInfo) is the dispatch view: TKIND_DISPATCH, FUNC_DISPATCH members whose parameters
//     leave out the result, which is the member's own type (elemdescFunc; VT_VOID when none).
//     GetRefTypeOfImplType(-1) leads to the vtable view, as on Windows: TKIND_INTERFACE,
//     FUNC_PUREVIRTUAL members returning VT_HRESULT with every parameter. Both give each member's
//     oVft, its byte offset in the vtable. A by-reference parameter is VT_PTR to its type, a SAFEARRAY
//     VT_SAFEARRAY of its element type.
//   - Either view's one implemented type is IDispatch (a reference whose type information, the
//     standard OLE library's, is not provided: E_NOTIMPL).
//   - Not provided: ITypeComp, ITypeInfo::Invoke, AddressOfMember, CreateInstance, GetDllEntry,
//     GetMops, ITypeLib::FindName (E_NOTIMPL); there are no variables (TYPE_E_ELEMENTNOTFOUND).
HRESULT CreateTypeLib(const TypeLibraryDescription& library, ITypeLib** ppTLib);
// The library's type information for an interface's IID or a class's CLSID (IProvideClassInfo).
HRESULT GetTypeInfoOfGuid(const TypeLibraryDescription& library, REFGUID guid, ITypeInfo** ppTInfo);

// For DllRegisterServer / DllUnregisterServer: the library's entry in the class registry (name, help
// string, version, locale, flags, and the server that holds it).
HRESULT RegisterTypeLibrary(const TypeLibraryDescription& library, const std::filesystem::path& serverPath);
HRESULT UnregisterTypeLibrary(const TypeLibraryDescription& library);

}  // namespace platform::com
