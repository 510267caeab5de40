#pragma once
// A test host of the QlmUI control: it creates the control through the class registry, as any host does
// (libQuillmarsh.so is found by its registration, not linked), and talks to it through its interfaces only.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "QlmUIInterface.h"
#include "combaseapi.h"
#include "formautomation.h"
#include "ocidl.h"
#include "oleidl.h"
#include "platform/bstr.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/utf.h"
#include "platform/variant.h"

namespace controltest {

using platform::com::ComPtr;
using platform::com::UniqueBstr;
using platform::com::UniqueVariant;

inline std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text).value_or("?"); }
inline std::string Utf8(BSTR text) { return text ? Utf8(std::u16string_view(text, SysStringLen(text))) : ""; }

// A BSTR for an argument, freed at the end of the full expression's scope.
inline UniqueBstr Bstr(std::u16string_view text) {
    return UniqueBstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// What a failing call left in the thread's error information (taken, so cleared).
struct ErrorReport {
    std::string description;
    std::string source;
    bool operator==(const ErrorReport&) const = default;
};
inline void PrintTo(const ErrorReport& r, std::ostream* os) { *os << "{" << r.description << " / " << r.source << "}"; }

inline std::optional<ErrorReport> TakeErrorReport() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.GetAddressOf()) != S_OK || !info) return std::nullopt;
    UniqueBstr description, source;
    info->GetDescription(description.Put());
    info->GetSource(source.Put());
    return ErrorReport{Utf8(description.Get()), Utf8(source.Get())};
}

// Records the DISPIDs of IPropertyNotifySink::OnChanged.
class NotifySink final : public platform::com::Implements<NotifySink, IPropertyNotifySink> {
public:
    STDMETHODIMP OnChanged(DISPID dispID) override {
        changed.push_back(dispID);
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }
    std::vector<DISPID> changed;
};

// Answers for the event interface, and counts every call it gets.
class EventSink final : public platform::com::Implements<EventSink, IDispatch> {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv != nullptr && IsEqualIID(riid, DIID___QlmUI)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return Implements::QueryInterface(riid, ppv);
    }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return ++calls, E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return ++calls, E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return ++calls, E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return ++calls, S_OK;
    }
    int calls = 0;
};

class ControlHost : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_QlmUI, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(control.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(control.As(&surface), S_OK);
    }
    void TearDown() override {
        if (sinkCookie_ != 0) {
            EXPECT_EQ(notifyPoint_->Unadvise(sinkCookie_), S_OK);
        }
        notifyPoint_ = nullptr;
        sink = nullptr;
        surface = nullptr;
        control = nullptr;
        CoFreeUnusedLibraries();
        CoUninitialize();
    }

    // From now on, sink hears of every property change.
    void Advise() {
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(control.As(&container), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, notifyPoint_.GetAddressOf()), S_OK);
        sink = platform::com::Make<NotifySink>();
        ASSERT_EQ(notifyPoint_->Advise(static_cast<IPropertyNotifySink*>(sink.Get()), &sinkCookie_), S_OK);
    }

    DISPID IdOf(std::u16string_view name) {
        std::u16string text(name);
        LPOLESTR names[] = {text.data()};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, 0x0409, &id), S_OK) << Utf8(name);
        return id;
    }

    // IDispatch::Invoke with the arguments in their natural order (reversed here, as DISPPARAMS wants).
    HRESULT Invoke(DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result, EXCEPINFO* excep = nullptr) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), flags == DISPATCH_PROPERTYPUT ? &named : nullptr,
                          static_cast<UINT>(reversed.size()), flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
        EXCEPINFO local{};
        UINT argErr = 0;
        const HRESULT hr = control->Invoke(id, IID_NULL, 0x0409, flags, &params, result, excep ? excep : &local,
                                           &argErr);
        if (excep == nullptr) {
            SysFreeString(local.bstrSource);
            SysFreeString(local.bstrDescription);
            SysFreeString(local.bstrHelpFile);
        }
        return hr;
    }
    HRESULT InvokeGet(DISPID id, VARIANT* result, EXCEPINFO* excep = nullptr) {
        return Invoke(id, DISPATCH_PROPERTYGET, {}, result, excep);
    }
    HRESULT InvokePut(DISPID id, const VARIANT& value, EXCEPINFO* excep = nullptr) {
        return Invoke(id, DISPATCH_PROPERTYPUT, {value}, nullptr, excep);
    }

    // A person's gesture through the control's surface interface.
    HRESULT Perform(std::u16string_view name, std::u16string_view gesture, std::u16string_view argument = {}) {
        return surface->Perform(Bstr(name).Get(), Bstr(gesture).Get(), Bstr(argument).Get());
    }
    // The current page as a person sees it.
    std::string Page() {
        UniqueBstr text;
        EXPECT_EQ(surface->Present(text.Put()), S_OK);
        return Utf8(text.Get());
    }
    // The one line of a control on the current page (empty when it is not there).
    std::string LineOf(std::string_view name) {
        const std::string page = Page();
        const std::string marker = " " + std::string(name) + " ";
        const std::size_t at = page.find(marker);
        if (at == std::string::npos) return {};
        const std::size_t start = page.rfind('\n', at) + 1;
        const std::string line = page.substr(start, page.find('\n', at) - start);
        return line.substr(line.find_first_not_of(' '));
    }

    ComPtr<_QlmUI> control;
    ComPtr<IFormAutomation> surface;
    ComPtr<NotifySink> sink;

private:
    ComPtr<IConnectionPoint> notifyPoint_;
    DWORD sinkCookie_ = 0;
};

}  // namespace controltest
