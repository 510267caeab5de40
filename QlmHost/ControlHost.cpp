#include "ControlHost.h"

#include <ostream>

#include "Messages.h"
#include "PropertyBag.h"
#include "ValueText.h"
#include "objbase.h"
#include "platform/bstr.h"
#include "platform/class_registry.h"
#include "platform/guid.h"

namespace qlmhost {
namespace {

using platform::com::ComPtr;
using platform::com::UniqueBstr;
using platform::com::UniqueVariant;

// Where the control is drawn, in pixels: its initial extent of 7815 x 3870 twips at 96 dots per inch.
constexpr RECT kBounds = {0, 0, 521, 258};

std::string DescribeWithInfo(HRESULT hr) {
    const std::u16string description = TakeErrorDescription();
    if (description.empty()) return Describe(hr);
    return Narrow(description) + " (" + HexStatus(hr) + ")";
}

class Apartment {
public:
    Apartment() : hr_(CoInitialize(nullptr)) {}
    ~Apartment() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    HRESULT Status() const { return hr_; }

private:
    HRESULT hr_;
};

std::u16string_view View(const UniqueBstr& text) { return {text.Get() ? text.Get() : u"", text.Length()}; }

std::string Values(std::size_t count) { return std::to_string(count) + (count == 1 ? " value" : " values"); }

std::string JoinNames(const std::vector<std::u16string>& names) {
    std::string text;
    for (const auto& name : names) text += (text.empty() ? "" : ", ") + Quote(name);
    return text;
}

}  // namespace

ControlHost::ControlHost(std::ostream& out, bool verbose) : out_(out), verbose_(verbose) {}

ControlHost::~ControlHost() {
    // A host lets go of a control in this order: no more notifications, closed, off its site.
    if (notifications_) notifications_->Unadvise(notificationCookie_);
    notifications_ = nullptr;
    if (oleObject_) {
        oleObject_->Close(OLECLOSE_NOSAVE);
        oleObject_->SetClientSite(nullptr);
    }
    dispatch_.reset();
    oleObject_ = nullptr;
    control_ = nullptr;
    site_ = nullptr;
}

void ControlHost::Trace(const std::string& line) {
    if (verbose_) out_ << "[" << line << "]\n" << std::flush;
}

HRESULT ControlHost::Create(REFCLSID clsid, std::string& why) {
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(control_.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        why = "cannot create the control " + platform::com::GuidToString(clsid) + ": " + Describe(hr);
        if (hr == REGDB_E_CLASSNOTREG)
            why += "; register its library with qlmregsvr, or point $QLM_COM_REGISTRY at its registration";
        return hr;
    }
    if (verbose_) {
        platform::com::RegistryEntry entry;
        std::string server;
        if (SUCCEEDED(platform::com::FindRegistryEntry(platform::com::RegistryKind::Class, clsid, entry)))
            server = entry.Get(platform::com::kInprocServer32).value_or("");
        Trace("created " + platform::com::GuidToString(clsid) + (server.empty() ? "" : " from " + server));
    }

    site_ = platform::com::Make<HostSite>();
    if (!site_) return E_OUTOFMEMORY;

    ComPtr<IDispatch> dispatch;
    hr = Offered(dispatch, "IDispatch", why);
    if (FAILED(hr)) return hr;
    dispatch_ = std::make_unique<DispatchClient>(dispatch);
    site_->OnPropertyChanged([this](DISPID dispid) { Trace("changed " + Narrow(dispatch_->NameOf(dispid))); });

    // A control that asks for its site first gets it before it is initialised.
    if (SUCCEEDED(control_.As(&oleObject_))) {
        DWORD status = 0;
        if (SUCCEEDED(oleObject_->GetMiscStatus(DVASPECT_CONTENT, &status)) && (status & OLEMISC_SETCLIENTSITEFIRST)) {
            SetErrorInfo(0, nullptr);
            hr = oleObject_->SetClientSite(site_.Get());
            if (FAILED(hr)) {
                why = "the control refused its site: " + DescribeWithInfo(hr);
                return hr;
            }
        }
    }

    ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(control_.As(&container)) &&
        SUCCEEDED(container->FindConnectionPoint(IID_IPropertyNotifySink, notifications_.GetAddressOf()))) {
        if (FAILED(notifications_->Advise(static_cast<IPropertyNotifySink*>(site_.Get()), &notificationCookie_)))
            notifications_ = nullptr;
    }
    return S_OK;
}

HRESULT ControlHost::InitNew(std::string& why) {
    ComPtr<IPersistPropertyBag> persist;
    HRESULT hr = Offered(persist, "IPersistPropertyBag", why);
    if (FAILED(hr)) return hr;
    SetErrorInfo(0, nullptr);
    hr = persist->InitNew();
    if (FAILED(hr)) {
        why = "cannot initialise the control as new: " + DescribeWithInfo(hr);
        return hr;
    }
    Trace("initialised as new");
    return S_OK;
}

HRESULT ControlHost::Load(const std::filesystem::path& file, BagValues values, std::string& why) {
    ComPtr<IPersistPropertyBag> persist;
    HRESULT hr = Offered(persist, "IPersistPropertyBag", why);
    if (FAILED(hr)) return hr;
    ComPtr<HostPropertyBag> bag = platform::com::Make<HostPropertyBag>(std::move(values));
    ComPtr<HostErrorLog> log = platform::com::Make<HostErrorLog>();
    if (!bag || !log) return E_OUTOFMEMORY;

    SetErrorInfo(0, nullptr);
    hr = persist->Load(bag.Get(), log.Get());
    const std::string prefix = "cannot load " + Quote(file.string()) + ": ";
    if (FAILED(hr)) {
        // The key it stopped at: the one the control reported, else the last one it asked for. When the
        // bag itself refused that key's value, its reason says more than the control can.
        std::u16string key = bag->LastName();
        std::u16string description;
        if (!log->Errors().empty()) {
            key = log->Errors().back().name;
            description = log->Errors().back().description;
        }
        if (!bag->Refusal().empty() && key == bag->LastName()) {
            why = prefix + "key " + Quote(key) + ": " + bag->Refusal();
            return hr;
        }
        if (description.empty()) description = TakeErrorDescription();
        why = prefix + (key.empty() ? "" : "key " + Quote(key) + ": ") +
              (description.empty() ? Describe(hr) : Narrow(description) + " (" + HexStatus(hr) + ")");
        return hr;
    }
    if (const auto unknown = bag->NamesNotRead(); !unknown.empty()) {
        why = prefix + (unknown.size() == 1 ? "the control does not know the key " : "the control does not know the keys ") +
              JoinNames(unknown);
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    Trace("loaded " + Values(bag->Values().Size()) + " from " + Quote(file.string()));
    return S_OK;
}

HRESULT ControlHost::Show(std::string& why) {
    if (!oleObject_) {
        Trace("not shown: the control offers no IOleObject");
        return S_OK;
    }
    SetErrorInfo(0, nullptr);
    // A control that did not ask for its site first gets it now, before it is shown.
    ComPtr<IOleClientSite> current;
    if (FAILED(oleObject_->GetClientSite(current.GetAddressOf())) || !current) oleObject_->SetClientSite(site_.Get());
    RECT bounds = kBounds;
    const HRESULT hr = oleObject_->DoVerb(OLEIVERB_SHOW, nullptr, site_.Get(), 0, nullptr, &bounds);
    if (FAILED(hr)) {
        why = "cannot show the control: " + DescribeWithInfo(hr);
        return hr;
    }
    Trace("shown");
    return S_OK;
}

HRESULT ControlHost::Paint(std::string& why) {
    ComPtr<IViewObject> view;
    if (FAILED(control_.As(&view))) {
        Trace("not painted: the control offers no IViewObject");
        return S_OK;
    }
    SetErrorInfo(0, nullptr);
    RECTL bounds = {kBounds.left, kBounds.top, kBounds.right, kBounds.bottom};
    const HRESULT hr = view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr, nullptr, 0);
    if (FAILED(hr)) {
        why = "cannot paint the control: " + DescribeWithInfo(hr);
        return hr;
    }
    Trace("painted");
    return S_OK;
}

HRESULT ControlHost::Save(const std::filesystem::path& file, std::string& why) {
    ComPtr<IPersistPropertyBag> persist;
    HRESULT hr = Offered(persist, "IPersistPropertyBag", why);
    if (FAILED(hr)) return hr;
    ComPtr<HostPropertyBag> bag = platform::com::Make<HostPropertyBag>();
    if (!bag) return E_OUTOFMEMORY;
    SetErrorInfo(0, nullptr);
    hr = persist->Save(bag.Get(), TRUE, FALSE);
    if (FAILED(hr)) {
        why = "cannot save the control: ";
        if (!bag->Refusal().empty())
            why += "key " + Quote(bag->LastName()) + ": " + bag->Refusal();
        else
            why += DescribeWithInfo(hr);
        return hr;
    }
    hr = WriteBagFile(file, bag->Values(), why);
    if (FAILED(hr)) return hr;
    Trace("saved " + Values(bag->Values().Size()) + " to " + Quote(file.string()));
    return S_OK;
}

HRESULT ControlHost::Apply(const Action& action, const std::optional<std::filesystem::path>& bag, std::string& why) {
    switch (action.kind) {
        case ActionKind::Set:
            return dispatch_->Put(action.name, action.value, why);
        case ActionKind::Get: {
            UniqueVariant value;
            const HRESULT hr = dispatch_->Get(action.name, value, why);
            if (SUCCEEDED(hr)) out_ << Narrow(action.name) << "=" << FormatValue(*value.Get()) << "\n";
            return hr;
        }
        case ActionKind::Call:
            return PrintCall(action.call, why);
        case ActionKind::Readers: {
            CallOutcome outcome;
            const HRESULT hr = dispatch_->Call(MethodCall{u"GetReaders", {}}, outcome, why);
            if (SUCCEEDED(hr)) out_ << "Readers=" << FormatValue(*outcome.result.Get()) << "\n";
            return hr;
        }
        case ActionKind::Gesture:
            return Gesture(action, why);
        case ActionKind::Show:
            return Present(why);
        case ActionKind::Focused:
            return Focused(why);
        case ActionKind::Paint:
            return Paint(why);
        case ActionKind::Redisplay:
            return Show(why);
        case ActionKind::Save:
            return Save(*bag, why);
        case ActionKind::SaveAs:
            return Save(action.file, why);
    }
    return E_UNEXPECTED;
}

HRESULT ControlHost::PrintCall(const MethodCall& call, std::string& why) {
    CallOutcome outcome;
    const HRESULT hr = dispatch_->Call(call, outcome, why);
    if (FAILED(hr)) return hr;
    if (outcome.result.Type() != VT_EMPTY) out_ << Narrow(call.name) << "=" << FormatValue(*outcome.result.Get()) << "\n";
    for (const auto& [name, value] : outcome.changed) out_ << Narrow(name) << "=" << FormatValue(*value.Get()) << "\n";
    return S_OK;
}

HRESULT ControlHost::Gesture(const Action& action, std::string& why) {
    ComPtr<IFormAutomation> form;
    HRESULT hr = Offered(form, "IFormAutomation", why);
    if (FAILED(hr)) return hr;
    UniqueBstr control(SysAllocStringLen(action.control.data(), static_cast<UINT>(action.control.size())));
    UniqueBstr gesture(SysAllocStringLen(action.gesture.data(), static_cast<UINT>(action.gesture.size())));
    UniqueBstr argument(SysAllocStringLen(action.argument.data(), static_cast<UINT>(action.argument.size())));
    if (!control || !gesture || !argument) return E_OUTOFMEMORY;
    SetErrorInfo(0, nullptr);
    hr = form->Perform(control.Get(), gesture.Get(), argument.Get());
    if (hr == S_FALSE) {
        why = "a person cannot reach " + (action.control.empty() ? std::string("the form") : Quote(action.control)) +
              " (disabled, hidden or on another page): nothing happened";
        return E_ABORT;
    }
    if (FAILED(hr)) {
        why = DescribeWithInfo(hr);
        return hr;
    }
    Trace("gesture " + Narrow(action.gesture) + (action.control.empty() ? "" : " on " + Narrow(action.control)));
    return S_OK;
}

// A text that the form gives its host (the page as a person sees it, the name of the focused control).
HRESULT ControlHost::FormText(HRESULT (STDMETHODCALLTYPE IFormAutomation::*get)(BSTR*), std::string& text,
                              std::string& why) {
    ComPtr<IFormAutomation> form;
    HRESULT hr = Offered(form, "IFormAutomation", why);
    if (FAILED(hr)) return hr;
    UniqueBstr value;
    SetErrorInfo(0, nullptr);
    hr = (form.Get()->*get)(value.Put());
    if (FAILED(hr)) {
        why = DescribeWithInfo(hr);
        return hr;
    }
    text = Narrow(View(value));
    return S_OK;
}

HRESULT ControlHost::Present(std::string& why) {
    std::string page;
    const HRESULT hr = FormText(&IFormAutomation::Present, page, why);
    if (SUCCEEDED(hr)) out_ << page;
    return hr;
}

HRESULT ControlHost::Focused(std::string& why) {
    std::string name;
    const HRESULT hr = FormText(&IFormAutomation::Focused, name, why);
    if (SUCCEEDED(hr)) out_ << "Focused=" << name << "\n";
    return hr;
}

int RunHost(const HostOptions& options, std::ostream& out, std::ostream& err) {
    if (options.help) {
        out << UsageText();
        return kExitSuccess;
    }
    auto fail = [&](const std::string& what) {
        out.flush();
        err << "QlmHost: " << what << "\n";
        return kExitFailure;
    };

    // The document comes first: a bag that cannot be read stops the run before a control exists.
    std::optional<BagValues> values;
    std::string why;
    if (options.bag && !options.initNew) {
        values.emplace();
        if (FAILED(ReadBagFile(*options.bag, *values, why))) return fail(why);
    }

    Apartment apartment;
    if (FAILED(apartment.Status())) return fail("cannot initialise COM: " + Describe(apartment.Status()));
    int code = kExitSuccess;
    {
        ControlHost host(out, options.verbose);
        if (FAILED(host.Create(CLSID_QlmUI, why))) return fail(why);
        const HRESULT hr = values ? host.Load(*options.bag, *std::move(values), why) : host.InitNew(why);
        if (FAILED(hr)) return fail(why);
        if (FAILED(host.Show(why)) || FAILED(host.Paint(why))) return fail(why);
        for (const Action& action : options.actions) {
            if (FAILED(host.Apply(action, options.bag, why))) {
                code = fail(action.option + ": " + why);
                break;
            }
        }
    }
    out.flush();
    return code;
}

}  // namespace qlmhost
