#pragma once
// Raising errors the way an automation object does: the HRESULT travels back as the return value,
// its description in the calling thread's error information (SetErrorInfo), where a host or
// IDispatch::Invoke picks it up.
#include <string>
#include <string_view>

#include "oleauto.h"

namespace platform::com {

// Makes an error information object with the description, source and interface the thread's
// current one and returns hr, so that a failing member reads `return RaiseError(...)`. When memory
// runs out only the error information is lost; hr is returned all the same.
HRESULT RaiseError(HRESULT hr, std::u16string_view description, std::u16string_view source = {},
                   REFIID iid = GUID_NULL);
// The same with the standard description of hr (see ErrorDescription).
HRESULT RaiseStandardError(HRESULT hr, std::u16string_view source = {}, REFIID iid = GUID_NULL);

// The standard description of an error, as a host shows it: the system message text without its
// closing period and line break ("Type mismatch", "Overflow", "Invalid use of Null", "Invalid
// property value" for the CTL_E_ errors); empty for an error without a text.
std::u16string ErrorDescription(HRESULT hr);

// What a host of a control sees when a value the control was given cannot be converted:
// DISP_E_TYPEMISMATCH becomes CTL_E_TYPEMISMATCH (CTL_E_INVALIDUSEOFNULL when the value was Null),
// DISP_E_OVERFLOW CTL_E_OVERFLOW, E_OUTOFMEMORY CTL_E_OUTOFMEMORY; other errors pass unchanged.
HRESULT ControlErrorFromConversion(HRESULT hr, const VARIANT* source = nullptr);

// VariantChangeType for a control's property: on failure raises the error a host expects
// (ControlErrorFromConversion, with its standard description) and returns it.
HRESULT ConvertForControl(VARIANT* dest, const VARIANT* source, VARTYPE vt, std::u16string_view errorSource = {},
                          REFIID iid = GUID_NULL);

}  // namespace platform::com
