#pragma once
// The interface and class of the runtime tests' own in-process server (libcom_test_server.so).
#include "platform/com_interface.h"

// {5A0C1D3E-2B47-4C8F-9E61-0D7B3A94C2F1}
inline constexpr CLSID CLSID_TestCounter = {
    0x5A0C1D3E, 0x2B47, 0x4C8F, {0x9E, 0x61, 0x0D, 0x7B, 0x3A, 0x94, 0xC2, 0xF1}};
// {C3F0B6A2-71D4-4E95-A8B3-6F2E19D05C47}
inline constexpr IID IID_ITestCounter = {
    0xC3F0B6A2, 0x71D4, 0x4E95, {0xA8, 0xB3, 0x6F, 0x2E, 0x19, 0xD0, 0x5C, 0x47}};

interface ITestCounter : public IUnknown {
    STDMETHOD(Increment)() PURE;
    STDMETHOD(GetValue)(LONG* value) PURE;
};
QLM_DECLARE_INTERFACE(ITestCounter, IID_ITestCounter);
