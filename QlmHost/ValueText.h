#pragma once
// Values as QlmHost prints them and as it reads them from the command line.
#include <string>
#include <string_view>

#include "oleauto.h"
#include "platform/variant.h"

namespace qlmhost {

// One line's worth of text for a value: text as it is, True / False, numbers in the invariant form,
// dates in ISO 8601 (2008-07-18T13:45:00), Null, nothing for Empty, a list of texts as ["", "A"].
// A VT_BYREF value is shown as the value it refers to.
std::string FormatValue(const VARIANT& value);

// The name of a VARTYPE for messages: "short", "BSTR", "VARIANT_BOOL", "VARIANT", "SAFEARRAY of BSTR", ...
std::string TypeName(VARTYPE vt);

// The command line's text as a value of type `vt`: VT_VARIANT (or VT_EMPTY, type unknown) and VT_BSTR
// take the text itself; every other type is converted with VariantChangeType, so "1", "True",
// "2008-07-18T13:45:00" and "7/18/2008 1:45 PM" are read as automation reads them. The conversion's
// error is returned (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW).
HRESULT ValueFromText(std::u16string_view text, VARTYPE vt, platform::com::UniqueVariant& value);

}  // namespace qlmhost
