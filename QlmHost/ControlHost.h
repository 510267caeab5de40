#pragma once
// QlmHost's run: the control's life as a real host leads it (created, initialised as new or loaded,
// shown, painted), then the command line's actions in order, each printing what it was asked to.
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "BagFile.h"
#include "CommandLine.h"
#include "DispatchClient.h"
#include "HostSite.h"
#include "Messages.h"
#include "formautomation.h"
#include "ocidl.h"
#include "oleidl.h"
#include "platform/com_ptr.h"

namespace qlmhost {

// {85B2F03A-F417-483F-B08F-84F08A37DD70}: the QlmUI control, found through the class registry.
inline constexpr CLSID CLSID_QlmUI = {0x85B2F03A, 0xF417, 0x483F, {0xB0, 0x8F, 0x84, 0xF0, 0x8A, 0x37, 0xDD, 0x70}};

// The whole program after its command line: prints values to `out` and failures to `err` (each
// starting "QlmHost: "), and returns the exit code. COM is initialised and uninitialised here.
int RunHost(const HostOptions& options, std::ostream& out, std::ostream& err);

class ControlHost {
public:
    ControlHost(std::ostream& out, bool verbose);
    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    // Each step fails with a status and a sentence in `why`.
    HRESULT Create(REFCLSID clsid, std::string& why);
    HRESULT InitNew(std::string& why);
    // Loads the bag's values; a key that the control did not ask for fails the load afterwards.
    HRESULT Load(const std::filesystem::path& file, BagValues values, std::string& why);
    HRESULT Show(std::string& why);
    HRESULT Paint(std::string& why);
    HRESULT Apply(const Action& action, const std::optional<std::filesystem::path>& bag, std::string& why);
    HRESULT Save(const std::filesystem::path& file, std::string& why);

private:
    // The control's interface I, or a failure saying that the control does not offer it.
    template <class I>
    HRESULT Offered(platform::com::ComPtr<I>& out, const char* name, std::string& why) {
        const HRESULT hr = control_.As(&out);
        if (FAILED(hr)) why = std::string("the control offers no ") + name + ": " + Describe(hr);
        return hr;
    }
    void Trace(const std::string& line);
    HRESULT Gesture(const Action& action, std::string& why);
    HRESULT PrintCall(const MethodCall& call, std::string& why);
    HRESULT FormText(HRESULT (STDMETHODCALLTYPE IFormAutomation::*get)(BSTR*), std::string& text, std::string& why);
    HRESULT Present(std::string& why);
    HRESULT Focused(std::string& why);

    std::ostream& out_;
    bool verbose_;
    platform::com::ComPtr<IUnknown> control_;
    platform::com::ComPtr<IOleObject> oleObject_;
    platform::com::ComPtr<IConnectionPoint> notifications_;
    DWORD notificationCookie_ = 0;
    platform::com::ComPtr<HostSite> site_;
    std::unique_ptr<DispatchClient> dispatch_;
};

}  // namespace qlmhost
