#include "EngineConnection.h"

#include "combaseapi.h"
#include "objbase.h"

namespace qlmfile {

HRESULT CreateEngine(platform::com::ComPtr<IQlmEngine>& engine) {
    HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr)) return hr;
    hr = CoCreateInstance(CLSID_QlmEngine, nullptr, CLSCTX_ALL, IID_IQlmEngine,
                          reinterpret_cast<void**>(engine.ReleaseAndGetAddressOf()));
    return FAILED(hr) ? hr : S_OK;
}

}  // namespace qlmfile
