// The scripted engine: an in-process server of CLSID_QlmEngine for the pipeline tests.
#include "ScriptedEngine.h"

#include "combaseapi.h"
#include "engine/QlmEngine.h"
#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/class_registry.h"
#include "platform/com_object.h"

QLM_DECLARE_INTERFACE(IQlmEngine, IID_IQlmEngine);

namespace scripted_engine {
namespace {

Script g_script;
Calls g_calls;

BSTR Allocate(const std::optional<std::u16string>& text) {
    return text ? SysAllocStringLen(text->data(), static_cast<UINT>(text->size())) : nullptr;
}

class Engine final : public platform::com::Implements<Engine, IQlmEngine> {
public:
    Engine() { ++g_calls.liveEngines; }
    ~Engine() { --g_calls.liveEngines; }

    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved11() override { return E_NOTIMPL; }

    STDMETHODIMP GetLockKeys(BSTR* keyText, BSTR* tokenText, BSTR* commentText) override {
        ++g_calls.lock;
        if (g_script.whileAsked) g_script.whileAsked();
        *keyText = *tokenText = *commentText = nullptr;
        if (FAILED(g_script.lockStatus)) return g_script.lockStatus;
        *keyText = Allocate(g_script.keyText);
        *tokenText = Allocate(g_script.tokenText);
        *commentText = Allocate(g_script.commentText);
        return g_script.lockStatus;
    }

    STDMETHODIMP GetUnlockKey(BSTR tokenText, BSTR commentText, BSTR* keyText) override {
        ++g_calls.unlock;
        if (g_script.whileAsked) g_script.whileAsked();
        g_calls.token.assign(tokenText, SysStringLen(tokenText));
        g_calls.comment = commentText != nullptr ? std::optional<std::u16string>(std::u16string(
                                                       commentText, SysStringLen(commentText)))
                                                 : std::nullopt;
        *keyText = nullptr;
        if (FAILED(g_script.unlockStatus)) return g_script.unlockStatus;
        *keyText = Allocate(g_script.unlockKeyText);
        return g_script.unlockStatus;
    }
};

}  // namespace

Script& CurrentScript() { return g_script; }
Calls& RecordedCalls() { return g_calls; }
void ResetScript() {
    g_script = Script{};
    const int live = g_calls.liveEngines;
    g_calls = Calls{};
    g_calls.liveEngines = live;
}

const char* ScriptedEnginePath() {
    static const std::string path = platform::com::ThisModulePath().string();
    return path.c_str();
}

}  // namespace scripted_engine

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return platform::com::GetClassObject<scripted_engine::Engine>(CLSID_QlmEngine, rclsid, riid, ppv);
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() { return platform::com::ModuleCanUnloadNow(); }

// Registered by the tests into a registry of their own, never into the build tree's.
WINAPI_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    return platform::com::RegisterInprocServer(CLSID_QlmEngine, platform::com::ThisModulePath(), "Both");
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return platform::com::RemoveRegistryEntry(platform::com::RegistryKind::Class, CLSID_QlmEngine);
}
