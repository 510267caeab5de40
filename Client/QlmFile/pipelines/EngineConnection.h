#pragma once
// The engine as a run gets it: COM initialised on the run's thread (never uninitialised), then one
// instance created with the engine's CLSID, every class context and IQlmEngine's IID.
#include "engine/QlmEngine.h"
#include "platform/com_ptr.h"

namespace qlmfile {

// The failing status of CoInitialize or CoCreateInstance, else 0.
HRESULT CreateEngine(platform::com::ComPtr<IQlmEngine>& engine);

}  // namespace qlmfile
