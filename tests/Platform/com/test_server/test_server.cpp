// A tiny in-process server for the runtime tests: one class, TestCounter, that counts.
#include "combaseapi.h"
#include "platform/class_registry.h"
#include "platform/com_object.h"
#include "test_counter.h"

namespace {

class TestCounter final : public platform::com::Implements<TestCounter, ITestCounter> {
public:
    STDMETHODIMP Increment() override {
        ++value_;
        return S_OK;
    }
    STDMETHODIMP GetValue(LONG* value) override {
        if (value == nullptr) return E_POINTER;
        *value = value_;
        return S_OK;
    }

private:
    LONG value_ = 0;
};

}  // namespace

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return platform::com::GetClassObject<TestCounter>(CLSID_TestCounter, rclsid, riid, ppv);
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() { return platform::com::ModuleCanUnloadNow(); }

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    return platform::com::RegisterInprocServer(CLSID_TestCounter, platform::com::ThisModulePath(), "Both",
                                               {{"Description", "Test counter"}});
}

WINAPI_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return platform::com::RemoveRegistryEntry(platform::com::RegistryKind::Class, CLSID_TestCounter);
}
