#include "DispatchClient.h"

#include <cmath>
#include <cstdio>

#include "Messages.h"
#include "PropertyBag.h"
#include "ValueText.h"
#include "platform/bstr.h"
#include "platform/error_info.h"
#include "platform/safe_array.h"

namespace qlmhost {
namespace {

using platform::com::ComPtr;
using platform::com::UniqueBstr;
using platform::com::UniqueSafeArray;
using platform::com::UniqueVariant;

constexpr LCID kLocale = 0x0409;

// An EXCEPINFO that frees its strings.
struct ExceptionInfo {
    EXCEPINFO info{};
    ~ExceptionInfo() {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
};

std::string DescribeFailure(HRESULT hr, const std::u16string& description) {
    if (description.empty()) return Describe(hr);
    return Narrow(description) + " (" + HexStatus(hr) + ")";
}

// A method argument as written on the command line, in its own automation type.
HRESULT NaturalValue(const MethodArgument& argument, UniqueVariant& value) {
    switch (argument.kind) {
        case MethodArgument::Kind::Text:
            value = UniqueVariant::FromString(argument.text);
            return value.Type() == VT_BSTR ? S_OK : E_OUTOFMEMORY;
        case MethodArgument::Kind::Number:
            if (argument.number == std::trunc(argument.number) && std::fabs(argument.number) <= 2147483647.0)
                value = UniqueVariant::FromLong(static_cast<LONG>(argument.number));
            else
                value = UniqueVariant::FromDouble(argument.number);
            return S_OK;
        case MethodArgument::Kind::Boolean:
            value = UniqueVariant::FromBool(argument.boolean);
            return S_OK;
        case MethodArgument::Kind::Null:
            value = UniqueVariant::Null();
            return S_OK;
        case MethodArgument::Kind::TextList: {
            UniqueSafeArray array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(argument.list.size())));
            if (!array) return E_OUTOFMEMORY;
            for (LONG i = 0; i < static_cast<LONG>(argument.list.size()); ++i) {
                UniqueBstr item(SysAllocStringLen(argument.list[i].data(), static_cast<UINT>(argument.list[i].size())));
                if (!item) return E_OUTOFMEMORY;
                const HRESULT hr = SafeArrayPutElement(array.Get(), &i, item.Get());
                if (FAILED(hr)) return hr;
            }
            VARIANT v;
            VariantInit(&v);
            v.vt = VT_ARRAY | VT_BSTR;
            v.parray = array.Release();
            value = UniqueVariant::Adopt(v);
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

// What a parameter's TYPEDESC stands for: its VARTYPE and whether it is passed by reference.
bool DescribeParameter(const TYPEDESC& type, ParameterInfo& parameter) {
    const TYPEDESC* t = &type;
    if (t->vt == VT_PTR) {
        parameter.byRef = true;
        t = t->lptdesc;
        if (t == nullptr) return false;
    }
    if (t->vt == VT_SAFEARRAY) {
        parameter.vt = static_cast<VARTYPE>(VT_ARRAY | (t->lptdesc ? t->lptdesc->vt : VARTYPE{VT_VARIANT}));
        return true;
    }
    parameter.vt = t->vt;
    return true;
}

}  // namespace

std::u16string TakeErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.GetAddressOf()) != S_OK || !info) return {};
    UniqueBstr description;
    if (FAILED(info->GetDescription(description.Put())) || !description) return {};
    return std::u16string(description.Get(), description.Length());
}

DispatchClient::DispatchClient(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {
    UINT count = 0;
    if (SUCCEEDED(dispatch_->GetTypeInfoCount(&count)) && count > 0) {
        if (FAILED(dispatch_->GetTypeInfo(0, kLocale, typeInfo_.GetAddressOf()))) typeInfo_ = nullptr;
    }
}

std::u16string DispatchClient::NameOf(DISPID dispid) const {
    if (typeInfo_) {
        UniqueBstr name;
        if (SUCCEEDED(typeInfo_->GetDocumentation(dispid, name.Put(), nullptr, nullptr, nullptr)) && name)
            return std::u16string(name.Get(), name.Length());
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(dispid));
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::optional<std::vector<ParameterInfo>> DispatchClient::Parameters(DISPID dispid, INVOKEKIND kind) const {
    if (!typeInfo_) return std::nullopt;
    TYPEATTR* attributes = nullptr;
    if (FAILED(typeInfo_->GetTypeAttr(&attributes)) || attributes == nullptr) return std::nullopt;
    const UINT functions = attributes->cFuncs;
    typeInfo_->ReleaseTypeAttr(attributes);

    for (UINT index = 0; index < functions; ++index) {
        FUNCDESC* function = nullptr;
        if (FAILED(typeInfo_->GetFuncDesc(index, &function)) || function == nullptr) continue;
        std::optional<std::vector<ParameterInfo>> parameters;
        if (function->memid == dispid && function->invkind == kind) {
            // Names: the member's first, then its parameters'.
            std::vector<BSTR> names(static_cast<std::size_t>(function->cParams) + 1, nullptr);
            UINT named = 0;
            if (FAILED(typeInfo_->GetNames(dispid, names.data(), static_cast<UINT>(names.size()), &named))) named = 0;
            parameters.emplace();
            bool understood = true;
            for (SHORT i = 0; i < function->cParams; ++i) {
                const ELEMDESC& element = function->lprgelemdescParam[i];
                // The result and a locale are not the caller's arguments.
                if (element.paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)) continue;
                ParameterInfo parameter;
                understood = understood && DescribeParameter(element.tdesc, parameter);
                const UINT nameIndex = static_cast<UINT>(i) + 1;
                if (nameIndex < named && names[nameIndex] != nullptr)
                    parameter.name.assign(names[nameIndex], SysStringLen(names[nameIndex]));
                parameters->push_back(std::move(parameter));
            }
            for (BSTR name : names) SysFreeString(name);
            if (!understood) parameters.reset();
        }
        const bool found = function->memid == dispid && function->invkind == kind;
        typeInfo_->ReleaseFuncDesc(function);
        if (found) return parameters;
    }
    return std::nullopt;
}

HRESULT DispatchClient::Resolve(std::u16string_view name, DISPID& dispid, std::string& why) const {
    std::u16string text(name);
    LPOLESTR names[] = {text.data()};
    const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, kLocale, &dispid);
    if (FAILED(hr)) why = "the control has no member " + Quote(name) + ": " + Describe(hr);
    return hr;
}

HRESULT DispatchClient::Invoke(DISPID dispid, WORD flags, DISPPARAMS& params, VARIANT* result, std::string& why) {
    ExceptionInfo exception;
    UINT argError = 0;
    SetErrorInfo(0, nullptr);
    HRESULT hr = dispatch_->Invoke(dispid, IID_NULL, kLocale, flags, &params, result, &exception.info, &argError);
    if (SUCCEEDED(hr)) return hr;
    std::u16string description;
    if (hr == DISP_E_EXCEPTION) {
        if (exception.info.pfnDeferredFillIn != nullptr) exception.info.pfnDeferredFillIn(&exception.info);
        hr = StatusOfException(exception.info);
        if (exception.info.bstrDescription != nullptr)
            description.assign(exception.info.bstrDescription, SysStringLen(exception.info.bstrDescription));
    }
    const std::u16string logged = TakeErrorDescription();
    if (description.empty()) description = logged;
    why = DescribeFailure(hr, description);
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argError < params.cArgs)
        why += " at argument " + std::to_string(params.cArgs - argError);
    return hr;
}

HRESULT DispatchClient::Get(std::u16string_view name, UniqueVariant& value, std::string& why) {
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = Resolve(name, dispid, why);
    if (FAILED(hr)) return hr;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return Invoke(dispid, DISPATCH_PROPERTYGET, none, value.Put(), why);
}

HRESULT DispatchClient::Put(std::u16string_view name, std::u16string_view text, std::string& why) {
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = Resolve(name, dispid, why);
    if (FAILED(hr)) return hr;

    VARTYPE vt = VT_BSTR;
    if (const auto parameters = Parameters(dispid, INVOKE_PROPERTYPUT); parameters && !parameters->empty())
        vt = parameters->back().vt;
    UniqueVariant value;
    hr = ValueFromText(text, vt, value);
    if (FAILED(hr)) {
        // Said as a script host says it: "Overflow" rather than the conversion's own words.
        hr = platform::com::ControlErrorFromConversion(hr);
        why = "cannot convert " + Quote(text) + " to the property's type " + TypeName(vt) + ": " + Describe(hr);
        return hr;
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{value.Get(), &named, 1, 1};
    return Invoke(dispid, DISPATCH_PROPERTYPUT, params, nullptr, why);
}

HRESULT DispatchClient::Call(const MethodCall& call, CallOutcome& outcome, std::string& why) {
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = Resolve(call.name, dispid, why);
    if (FAILED(hr)) return hr;

    const auto parameters = Parameters(dispid, INVOKE_FUNC);
    const std::size_t count = call.arguments.size();
    if (parameters && parameters->size() != count) {
        why = Narrow(call.name) + " takes " + std::to_string(parameters->size()) + " argument" +
              (parameters->size() == 1 ? "" : "s") + ", not " + std::to_string(count);
        return DISP_E_BADPARAMCOUNT;
    }

    // values[i] holds argument i (as the method's parameter wants it); a by-reference argument points
    // into it, so that the method's change lands there.
    std::vector<UniqueVariant> values(count);
    std::vector<UniqueVariant> before(count);
    std::vector<VARIANTARG> passed(count);
    for (std::size_t i = 0; i < count; ++i) {
        UniqueVariant natural;
        hr = NaturalValue(call.arguments[i], natural);
        if (FAILED(hr)) {
            why = Describe(hr);
            return hr;
        }
        const ParameterInfo* parameter = parameters ? &(*parameters)[i] : nullptr;
        const VARTYPE vt = parameter ? parameter->vt : VARTYPE{VT_VARIANT};
        if (vt == VT_VARIANT || vt == natural.Type()) {
            values[i] = std::move(natural);
        } else {
            hr = (vt & VT_ARRAY) ? DISP_E_TYPEMISMATCH : VariantChangeType(values[i].Put(), natural.Get(), 0, vt);
            if (FAILED(hr)) {
                hr = platform::com::ControlErrorFromConversion(hr, natural.Get());
                why = "argument " + std::to_string(i + 1) +
                      (parameter->name.empty() ? std::string() : " (" + Narrow(parameter->name) + ")") + " must be " +
                      TypeName(vt) + ": " + Describe(hr);
                return hr;
            }
        }
        VARIANTARG& arg = passed[count - 1 - i];  // arguments go in reverse order
        VariantInit(&arg);
        if (parameter && parameter->byRef) {
            VariantCopy(before[i].Put(), values[i].Get());
            if (vt == VT_VARIANT) {
                arg.vt = VT_BYREF | VT_VARIANT;
                arg.pvarVal = values[i].Get();
            } else {
                arg.vt = static_cast<VARTYPE>(VT_BYREF | vt);
                arg.byref = &values[i].Get()->llVal;
            }
        } else {
            arg = *values[i].Get();  // lent for the call; values[i] keeps it
        }
    }

    DISPPARAMS params{passed.data(), nullptr, static_cast<UINT>(count), 0};
    hr = Invoke(dispid, DISPATCH_METHOD, params, outcome.result.Put(), why);
    if (FAILED(hr)) return hr;
    for (std::size_t i = 0; i < count; ++i) {
        if (!parameters || !(*parameters)[i].byRef) continue;
        if (FormatValue(*values[i].Get()) == FormatValue(*before[i].Get()) && values[i].Type() == before[i].Type())
            continue;
        std::u16string name = (*parameters)[i].name;
        if (name.empty()) {
            const std::string number = "argument " + std::to_string(i + 1);
            name.assign(number.begin(), number.end());
        }
        outcome.changed.emplace_back(std::move(name), std::move(values[i]));
    }
    return S_OK;
}

}  // namespace qlmhost
