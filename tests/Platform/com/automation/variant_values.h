#pragma once
// Building and comparing VARIANTs in the automation tests.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "oleauto.h"
#include "platform/variant.h"

namespace automation_test {

using platform::com::UniqueVariant;

// A value as a test table writes it: the type, and the number or text it holds.
struct Value {
    VARTYPE vt = VT_EMPTY;
    double number = 0;
    const char16_t* text = nullptr;
};

UniqueVariant Make(const Value& value);

// The characters of a BSTR (a null BSTR reads as empty).
std::u16string_view Text(BSTR s);

// "VT_I4 42", "VT_BSTR \"abc\"": for failure messages.
std::string Describe(const VARIANT& v);

// Same type and value (texts compared by content; reals and dates exactly).
testing::AssertionResult SameVariant(const VARIANT& expected, const VARIANT& actual);

}  // namespace automation_test
