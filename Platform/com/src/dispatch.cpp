// IDispatch from a member table: GetIDsOfNames, Invoke with its argument rules and EXCEPINFO, and the
// check of a table against its C++ interface.
#include <string>

#include "member_names.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/dispatch.h"
#include "platform/error_info.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"

namespace platform::com {

namespace detail {

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    auto fold = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

}  // namespace detail

// The accessors detail::IdsOfNames reads a member through.
static std::u16string_view NameOf(const MemberDescription& m) { return m.name; }
static DISPID IdOf(const MemberDescription& m) { return m.dispid; }
static UINT ArgumentCount(const MemberDescription& m) { return m.ArgumentCount(); }
static std::u16string_view ArgumentName(const MemberDescription& m, UINT k) {
    return m.parameters[k].name == nullptr ? u"" : m.parameters[k].name;
}

namespace {

std::string Utf8(const char16_t* text) { return text == nullptr ? "(null)" : Utf16ToUtf8(text).value_or("?"); }

const MemberDescription* FindMember(const InterfaceDescription& iface, DISPID dispid, INVOKEKIND kind) {
    for (const MemberDescription& m : iface.members)
        if (m.dispid == dispid && m.kind == kind) return &m;
    return nullptr;
}

// The member a call means: a put or putref by its kind; otherwise a method when the caller allows
// one, then a property get.
const MemberDescription* MemberToCall(const InterfaceDescription& iface, DISPID dispid, WORD flags) {
    if (flags & DISPATCH_PROPERTYPUTREF) {
        if (auto* m = FindMember(iface, dispid, INVOKE_PROPERTYPUTREF)) return m;
    }
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return FindMember(iface, dispid, INVOKE_PROPERTYPUT);
    if (flags & DISPATCH_METHOD) {
        if (auto* m = FindMember(iface, dispid, INVOKE_FUNC)) return m;
    }
    if (flags & DISPATCH_PROPERTYGET) return FindMember(iface, dispid, INVOKE_PROPERTYGET);
    return nullptr;
}

HRESULT CheckNamedArguments(const MemberDescription& member, const DISPPARAMS& params) {
    if (params.cNamedArgs == 0) return S_OK;
    const bool isPut = member.kind == INVOKE_PROPERTYPUT || member.kind == INVOKE_PROPERTYPUTREF;
    if (isPut && params.cNamedArgs == 1 && params.rgdispidNamedArgs != nullptr &&
        params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT)
        return S_OK;
    return DISP_E_NONAMEDARGS;
}

bool SupportsErrorInfo(IUnknown* object, REFIID iid) {
    if (object == nullptr) return false;
    ComPtr<ISupportErrorInfo> support;
    if (FAILED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(support.GetAddressOf()))))
        return false;
    return support->InterfaceSupportsErrorInfo(iid) == S_OK;
}

// EXCEPINFO from the thread's error information (which it takes), or from the error's standard
// description when the member raised none.
void FillExcepInfo(HRESULT hr, EXCEPINFO& info) {
    info = EXCEPINFO{};
    info.scode = hr;
    ComPtr<IErrorInfo> error;
    if (GetErrorInfo(0, error.GetAddressOf()) == S_OK) {
        error->GetSource(&info.bstrSource);
        error->GetDescription(&info.bstrDescription);
        error->GetHelpFile(&info.bstrHelpFile);
        error->GetHelpContext(&info.dwHelpContext);
        return;
    }
    const std::u16string description = ErrorDescription(hr);
    if (!description.empty())
        info.bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
}

}  // namespace

std::string CheckInterfaceTable(const InterfaceDescription& iface) {
    constexpr std::size_t kFirstSlot = 7;  // after IUnknown's three and IDispatch's four entries
    for (std::size_t i = 0; i < iface.members.size(); ++i) {
        const MemberDescription& m = iface.members[i];
        const std::string what = "member " + std::to_string(i) + " (" + Utf8(m.name) + ")";
        if (m.name == nullptr) return what + " has no name";
        if (m.vtableSlot == SIZE_MAX) return what + " is not a virtual function";
        if (!m.typesMatch) return what + ": a parameter's VARTYPE does not suit its C++ type";
        if (iface.dual && m.vtableSlot != kFirstSlot + i)
            return what + " is vtable entry " + std::to_string(m.vtableSlot) + ", the table's order needs entry " +
                   std::to_string(kFirstSlot + i);
        for (std::size_t j = 0; j < i; ++j) {
            const MemberDescription& other = iface.members[j];
            const bool sameName = detail::SameName(m.name, other.name);
            if (sameName != (m.dispid == other.dispid))
                return what + " and member " + std::to_string(j) + " (" + Utf8(other.name) +
                       ") do not pair names with DISPIDs";
            if (m.dispid == other.dispid && m.kind == other.kind)
                return what + " repeats member " + std::to_string(j);
        }
    }
    return {};
}

HRESULT DispatchGetIDsOfNames(const InterfaceDescription& iface, REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                              DISPID* rgDispId) {
    if (auto injected = platform::fault::Check("IDispatch::GetIDsOfNames")) return HRESULT_FROM_WIN32(*injected);
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return detail::IdsOfNames(iface.members, rgszNames, cNames, rgDispId);
}

HRESULT DispatchInvoke(IUnknown* errorSource, void* object, const InterfaceDescription& iface, DISPID dispIdMember,
                       REFIID riid, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                       UINT* puArgErr) {
    if (auto injected = platform::fault::Check("IDispatch::Invoke")) return HRESULT_FROM_WIN32(*injected);
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (pDispParams == nullptr || (pDispParams->cArgs > 0 && pDispParams->rgvarg == nullptr)) return E_INVALIDARG;
    const MemberDescription* member = MemberToCall(iface, dispIdMember, wFlags);
    if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
    HRESULT hr = CheckNamedArguments(*member, *pDispParams);
    if (FAILED(hr)) return hr;
    if (pDispParams->cArgs != member->ArgumentCount()) return DISP_E_BADPARAMCOUNT;
    if (pVarResult != nullptr) VariantInit(pVarResult);
    bool called = false;
    hr = member->invoke(object, *member, pDispParams, pVarResult, puArgErr, &called);
    if (SUCCEEDED(hr) || !called) return hr;
    if (pExcepInfo == nullptr || !SupportsErrorInfo(errorSource, iface.iid)) return hr;
    FillExcepInfo(hr, *pExcepInfo);
    return DISP_E_EXCEPTION;
}

HRESULT DispatchGetTypeInfo(const InterfaceDescription& iface, UINT iTInfo, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (iTInfo != 0 || iface.library == nullptr) return DISP_E_BADINDEX;
    return GetTypeInfoOfGuid(*iface.library, iface.iid, ppTInfo);
}

}  // namespace platform::com
