#include "variant_values.h"

#include <cmath>
#include <cstdio>

#include "platform/utf.h"

namespace automation_test {

UniqueVariant Make(const Value& value) {
    UniqueVariant v;
    switch (value.vt) {
        case VT_BSTR: return UniqueVariant::FromString(value.text);
        case VT_NULL: return UniqueVariant::Null();
        case VT_I2: return UniqueVariant::FromShort(static_cast<SHORT>(value.number));
        case VT_I4: return UniqueVariant::FromLong(static_cast<LONG>(value.number));
        case VT_R8: return UniqueVariant::FromDouble(value.number);
        case VT_DATE: return UniqueVariant::FromDate(value.number);
        case VT_BOOL: return UniqueVariant::FromBool(value.number != 0);
        case VT_UI1: v->bVal = static_cast<BYTE>(value.number); break;
        case VT_UI4: v->ulVal = static_cast<ULONG>(value.number); break;
        case VT_R4: v->fltVal = static_cast<FLOAT>(value.number); break;
        case VT_CY: v->cyVal.int64 = std::llround(value.number * 10000); break;
        default: break;
    }
    v->vt = value.vt;
    return v;
}

std::u16string_view Text(BSTR s) { return s == nullptr ? std::u16string_view() : std::u16string_view(s, SysStringLen(s)); }

std::string Describe(const VARIANT& v) {
    char text[64];
    switch (v.vt) {
        case VT_EMPTY: return "VT_EMPTY";
        case VT_NULL: return "VT_NULL";
        case VT_I2: return "VT_I2 " + std::to_string(v.iVal);
        case VT_I4: return "VT_I4 " + std::to_string(v.lVal);
        case VT_UI1: return "VT_UI1 " + std::to_string(v.bVal);
        case VT_UI4: return "VT_UI4 " + std::to_string(v.ulVal);
        case VT_BOOL: return "VT_BOOL " + std::to_string(v.boolVal);
        case VT_CY: return "VT_CY " + std::to_string(v.cyVal.int64) + "/10000";
        case VT_R4: std::snprintf(text, sizeof text, "VT_R4 %.9g", v.fltVal); return text;
        case VT_R8: std::snprintf(text, sizeof text, "VT_R8 %.17g", v.dblVal); return text;
        case VT_DATE: std::snprintf(text, sizeof text, "VT_DATE %.17g", v.date); return text;
        case VT_BSTR: return "VT_BSTR \"" + platform::Utf16ToUtf8(Text(v.bstrVal)).value_or("?") + "\"";
        default: return "vt " + std::to_string(v.vt);
    }
}

testing::AssertionResult SameVariant(const VARIANT& expected, const VARIANT& actual) {
    bool same = expected.vt == actual.vt;
    if (same) {
        switch (expected.vt) {
            case VT_EMPTY: case VT_NULL: break;
            case VT_I2: same = expected.iVal == actual.iVal; break;
            case VT_I4: same = expected.lVal == actual.lVal; break;
            case VT_UI1: same = expected.bVal == actual.bVal; break;
            case VT_UI4: same = expected.ulVal == actual.ulVal; break;
            case VT_BOOL: same = expected.boolVal == actual.boolVal; break;
            case VT_CY: same = expected.cyVal.int64 == actual.cyVal.int64; break;
            case VT_R4: same = expected.fltVal == actual.fltVal; break;
            case VT_R8: same = expected.dblVal == actual.dblVal; break;
            case VT_DATE: same = expected.date == actual.date; break;
            case VT_BSTR: same = Text(expected.bstrVal) == Text(actual.bstrVal); break;
            default: same = false;
        }
    }
    if (same) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "expected " << Describe(expected) << ", got " << Describe(actual);
}

}  // namespace automation_test
