#pragma once
// Calling a control's properties and methods by name, as a script host does: IDispatch::GetIDsOfNames
// for the DISPID, the type information (IDispatch::GetTypeInfo) for the parameters' types, and
// IDispatch::Invoke with arguments of exactly those types: by reference where the parameter is a
// pointer, so that a method's changes to its arguments come back. Without type information every value
// goes as text (a BSTR) and the control converts it.
#include <optional>
#include <string>
#include <vector>

#include "MethodCall.h"
#include "oaidl.h"
#include "platform/com_ptr.h"
#include "platform/variant.h"

namespace qlmhost {

struct ParameterInfo {
    std::u16string name;
    VARTYPE vt = VT_EMPTY;  // without VT_BYREF; VT_ARRAY | VT_BSTR for a SAFEARRAY of BSTR
    bool byRef = false;
};

struct CallOutcome {
    platform::com::UniqueVariant result;
    // The by-reference arguments whose value the call changed: parameter name and new value.
    std::vector<std::pair<std::u16string, platform::com::UniqueVariant>> changed;
};

class DispatchClient {
public:
    explicit DispatchClient(platform::com::ComPtr<IDispatch> dispatch);

    // Each fails with the control's status; `why` says what failed and why, with the control's
    // description of the error when it gave one.
    HRESULT Get(std::u16string_view name, platform::com::UniqueVariant& value, std::string& why);
    HRESULT Put(std::u16string_view name, std::u16string_view text, std::string& why);
    HRESULT Call(const MethodCall& call, CallOutcome& outcome, std::string& why);

    // The member's name for a DISPID (for property-change notifications); the DISPID in hex if unknown.
    std::u16string NameOf(DISPID dispid) const;
    // The arguments a member takes, from the type information (std::nullopt without it).
    std::optional<std::vector<ParameterInfo>> Parameters(DISPID dispid, INVOKEKIND kind) const;

private:
    HRESULT Resolve(std::u16string_view name, DISPID& dispid, std::string& why) const;
    HRESULT Invoke(DISPID dispid, WORD flags, DISPPARAMS& params, VARIANT* result, std::string& why);

    platform::com::ComPtr<IDispatch> dispatch_;
    platform::com::ComPtr<ITypeInfo> typeInfo_;
};

// The description that a failed call left in the thread's error information (taking it), or empty.
std::u16string TakeErrorDescription();

}  // namespace qlmhost
