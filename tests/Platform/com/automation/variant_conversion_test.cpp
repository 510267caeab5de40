#include <gtest/gtest.h>

#include "oleauto.h"
#include "platform/fault_injection.h"
#include "platform/safe_array.h"
#include "platform/variant.h"
#include "variant_values.h"

namespace {

using automation_test::Make;
using automation_test::SameVariant;
using automation_test::Text;
using automation_test::Value;
using platform::com::UniqueSafeArray;
using platform::com::UniqueVariant;

struct Conversion {
    Value source;
    VARTYPE target;
    HRESULT result;
    Value expected = {};  // when result is S_OK
    USHORT flags = 0;
};

void PrintTo(const Conversion& c, std::ostream* os) {
    *os << automation_test::Describe(*Make(c.source).Get()) << " -> vt " << c.target;
}

class ChangeType : public testing::TestWithParam<Conversion> {};

TEST_P(ChangeType, GivesTheDocumentedResult) {
    const Conversion& c = GetParam();
    UniqueVariant source = Make(c.source);
    UniqueVariant result;
    ASSERT_EQ(VariantChangeType(result.Get(), source.Get(), c.flags, c.target), c.result);
    if (SUCCEEDED(c.result)) {
        EXPECT_TRUE(SameVariant(*Make(c.expected).Get(), *result.Get()));
    } else {
        EXPECT_EQ(result.Type(), VT_EMPTY);  // a failed conversion writes nothing
    }
}

// 13:45:00 as a fraction of a day, computed as the runtime joins a day and a time.
constexpr double kQuarterToTwo = 49500.0 / 86400;

INSTANTIATE_TEST_SUITE_P(Numbers, ChangeType, testing::Values(
    // Reals become integers rounded half to even.
    Conversion{{VT_R8, 2.5}, VT_I4, S_OK, {VT_I4, 2}},
    Conversion{{VT_R8, 3.5}, VT_I4, S_OK, {VT_I4, 4}},
    Conversion{{VT_R8, -2.5}, VT_I4, S_OK, {VT_I4, -2}},
    Conversion{{VT_R8, -3.5}, VT_I2, S_OK, {VT_I2, -4}},
    Conversion{{VT_R8, 2.4999}, VT_I2, S_OK, {VT_I2, 2}},
    Conversion{{VT_R8, 2.5000001}, VT_I2, S_OK, {VT_I2, 3}},
    Conversion{{VT_R4, 0.5}, VT_I4, S_OK, {VT_I4, 0}},
    Conversion{{VT_CY, 1.5}, VT_I2, S_OK, {VT_I2, 2}},
    // The 16-bit limits, reached by rounding or by value.
    Conversion{{VT_R8, 32767.4}, VT_I2, S_OK, {VT_I2, 32767}},
    Conversion{{VT_R8, 32767.5}, VT_I2, DISP_E_OVERFLOW},
    Conversion{{VT_R8, -32768.5}, VT_I2, S_OK, {VT_I2, -32768}},
    Conversion{{VT_R8, -32768.6}, VT_I2, DISP_E_OVERFLOW},
    Conversion{{VT_I4, 32767}, VT_I2, S_OK, {VT_I2, 32767}},
    Conversion{{VT_I4, 32768}, VT_I2, DISP_E_OVERFLOW},
    Conversion{{VT_I4, -32768}, VT_I2, S_OK, {VT_I2, -32768}},
    Conversion{{VT_I4, -32769}, VT_I2, DISP_E_OVERFLOW},
    // The 32-bit limits.
    Conversion{{VT_R8, 2147483647.4}, VT_I4, S_OK, {VT_I4, 2147483647}},
    Conversion{{VT_R8, 2147483647.5}, VT_I4, DISP_E_OVERFLOW},
    Conversion{{VT_R8, -2147483648.5}, VT_I4, S_OK, {VT_I4, -2147483648.0}},
    Conversion{{VT_R8, -2147483649.0}, VT_I4, DISP_E_OVERFLOW},
    Conversion{{VT_R8, 4294967295.0}, VT_UI4, S_OK, {VT_UI4, 4294967295.0}},
    Conversion{{VT_R8, 1e300}, VT_R4, DISP_E_OVERFLOW},
    // Unsigned targets refuse negatives.
    Conversion{{VT_I2, -1}, VT_UI1, DISP_E_OVERFLOW},
    Conversion{{VT_I4, 255}, VT_UI1, S_OK, {VT_UI1, 255}},
    Conversion{{VT_I4, 256}, VT_UI1, DISP_E_OVERFLOW},
    Conversion{{VT_I2, 7}, VT_R8, S_OK, {VT_R8, 7}},
    Conversion{{VT_I4, 12345}, VT_CY, S_OK, {VT_CY, 12345}},
    Conversion{{VT_R8, 0.00005}, VT_CY, S_OK, {VT_CY, 0}},  // half a ten-thousandth rounds to even
    Conversion{{VT_R8, 1.23456}, VT_CY, S_OK, {VT_CY, 1.2346}}));

INSTANTIATE_TEST_SUITE_P(TextToNumber, ChangeType, testing::Values(
    Conversion{{VT_BSTR, 0, u"42"}, VT_I4, S_OK, {VT_I4, 42}},
    Conversion{{VT_BSTR, 0, u"  -42 "}, VT_I2, S_OK, {VT_I2, -42}},
    Conversion{{VT_BSTR, 0, u"+7"}, VT_I2, S_OK, {VT_I2, 7}},
    Conversion{{VT_BSTR, 0, u"1,000"}, VT_I4, S_OK, {VT_I4, 1000}},
    Conversion{{VT_BSTR, 0, u"1,000.75"}, VT_R8, S_OK, {VT_R8, 1000.75}},
    Conversion{{VT_BSTR, 0, u"2.5"}, VT_I4, S_OK, {VT_I4, 2}},
    Conversion{{VT_BSTR, 0, u"1e3"}, VT_I4, S_OK, {VT_I4, 1000}},
    Conversion{{VT_BSTR, 0, u".5"}, VT_R8, S_OK, {VT_R8, 0.5}},
    Conversion{{VT_BSTR, 0, u"0.1"}, VT_R8, S_OK, {VT_R8, 0.1}},
    Conversion{{VT_BSTR, 0, u"32767"}, VT_I2, S_OK, {VT_I2, 32767}},
    Conversion{{VT_BSTR, 0, u"32768"}, VT_I2, DISP_E_OVERFLOW},
    Conversion{{VT_BSTR, 0, u"-32768"}, VT_I2, S_OK, {VT_I2, -32768}},
    Conversion{{VT_BSTR, 0, u"-32769"}, VT_I2, DISP_E_OVERFLOW},
    Conversion{{VT_BSTR, 0, u"2147483648"}, VT_I4, DISP_E_OVERFLOW},
    Conversion{{VT_BSTR, 0, u"1e400"}, VT_R8, DISP_E_OVERFLOW},
    Conversion{{VT_BSTR, 0, u""}, VT_I4, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BSTR, 0, u"abc"}, VT_I4, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BSTR, 0, u"12abc"}, VT_I4, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BSTR, 0, u"1e"}, VT_R8, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BSTR, 0, u",5"}, VT_R8, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BSTR, 0, u"- 5"}, VT_I4, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BSTR, 0, u"7/18/2008"}, VT_I4, DISP_E_TYPEMISMATCH}));

INSTANTIATE_TEST_SUITE_P(Booleans, ChangeType, testing::Values(
    Conversion{{VT_BOOL, 1}, VT_I2, S_OK, {VT_I2, -1}},
    Conversion{{VT_BOOL, 1}, VT_R8, S_OK, {VT_R8, -1}},
    Conversion{{VT_BOOL, 1}, VT_UI1, S_OK, {VT_UI1, 255}},  // VARIANT_TRUE's bits
    Conversion{{VT_BOOL, 0}, VT_I4, S_OK, {VT_I4, 0}},
    Conversion{{VT_R8, 0.5}, VT_BOOL, S_OK, {VT_BOOL, 1}},
    Conversion{{VT_I4, 0}, VT_BOOL, S_OK, {VT_BOOL, 0}},
    Conversion{{VT_I2, 2}, VT_BOOL, S_OK, {VT_BOOL, 1}},
    Conversion{{VT_BSTR, 0, u"True"}, VT_BOOL, S_OK, {VT_BOOL, 1}},
    Conversion{{VT_BSTR, 0, u"false"}, VT_BOOL, S_OK, {VT_BOOL, 0}},
    Conversion{{VT_BSTR, 0, u" TRUE "}, VT_BOOL, S_OK, {VT_BOOL, 1}},
    Conversion{{VT_BSTR, 0, u"#TRUE#"}, VT_BOOL, S_OK, {VT_BOOL, 1}},
    Conversion{{VT_BSTR, 0, u"#FALSE#"}, VT_BOOL, S_OK, {VT_BOOL, 0}},
    Conversion{{VT_BSTR, 0, u"0"}, VT_BOOL, S_OK, {VT_BOOL, 0}},
    Conversion{{VT_BSTR, 0, u"-1"}, VT_BOOL, S_OK, {VT_BOOL, 1}},
    Conversion{{VT_BSTR, 0, u"2.5"}, VT_BOOL, S_OK, {VT_BOOL, 1}},
    Conversion{{VT_BSTR, 0, u"yes"}, VT_BOOL, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BSTR, 0, u""}, VT_BOOL, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BOOL, 1}, VT_BSTR, S_OK, {VT_BSTR, 0, u"-1"}},
    Conversion{{VT_BOOL, 0}, VT_BSTR, S_OK, {VT_BSTR, 0, u"0"}},
    Conversion{{VT_BOOL, 1}, VT_BSTR, S_OK, {VT_BSTR, 0, u"True"}, VARIANT_ALPHABOOL},
    Conversion{{VT_BOOL, 0}, VT_BSTR, S_OK, {VT_BSTR, 0, u"False"}, VARIANT_LOCALBOOL}));

INSTANTIATE_TEST_SUITE_P(NumberToText, ChangeType, testing::Values(
    Conversion{{VT_I4, 42}, VT_BSTR, S_OK, {VT_BSTR, 0, u"42"}},
    Conversion{{VT_I2, -7}, VT_BSTR, S_OK, {VT_BSTR, 0, u"-7"}},
    Conversion{{VT_I4, 1000000}, VT_BSTR, S_OK, {VT_BSTR, 0, u"1000000"}},
    Conversion{{VT_R8, 2.5}, VT_BSTR, S_OK, {VT_BSTR, 0, u"2.5"}},
    Conversion{{VT_R8, 0.1}, VT_BSTR, S_OK, {VT_BSTR, 0, u"0.1"}},
    Conversion{{VT_R8, 1.0 / 3}, VT_BSTR, S_OK, {VT_BSTR, 0, u"0.333333333333333"}},
    Conversion{{VT_R8, 0.1 + 0.2}, VT_BSTR, S_OK, {VT_BSTR, 0, u"0.3"}},
    Conversion{{VT_R8, 1e20}, VT_BSTR, S_OK, {VT_BSTR, 0, u"1E+20"}},
    Conversion{{VT_R8, 1e15}, VT_BSTR, S_OK, {VT_BSTR, 0, u"1E+15"}},
    Conversion{{VT_R8, 1e14}, VT_BSTR, S_OK, {VT_BSTR, 0, u"100000000000000"}},
    Conversion{{VT_R8, 0.0001}, VT_BSTR, S_OK, {VT_BSTR, 0, u"0.0001"}},
    Conversion{{VT_R8, 0.00001}, VT_BSTR, S_OK, {VT_BSTR, 0, u"1E-05"}},
    Conversion{{VT_R8, -0.0}, VT_BSTR, S_OK, {VT_BSTR, 0, u"0"}},
    Conversion{{VT_R4, 0.1}, VT_BSTR, S_OK, {VT_BSTR, 0, u"0.1"}},
    Conversion{{VT_CY, -1.5}, VT_BSTR, S_OK, {VT_BSTR, 0, u"-1.5"}},
    Conversion{{VT_CY, 0.0001}, VT_BSTR, S_OK, {VT_BSTR, 0, u"0.0001"}}));

INSTANTIATE_TEST_SUITE_P(Dates, ChangeType, testing::Values(
    Conversion{{VT_DATE, 39647.0}, VT_BSTR, S_OK, {VT_BSTR, 0, u"7/18/2008"}},
    Conversion{{VT_DATE, 39647 + kQuarterToTwo}, VT_BSTR, S_OK, {VT_BSTR, 0, u"7/18/2008 1:45:00 PM"}},
    Conversion{{VT_DATE, kQuarterToTwo}, VT_BSTR, S_OK, {VT_BSTR, 0, u"1:45:00 PM"}},
    Conversion{{VT_DATE, 0}, VT_BSTR, S_OK, {VT_BSTR, 0, u"12:00:00 AM"}},
    Conversion{{VT_BSTR, 0, u"7/18/2008"}, VT_DATE, S_OK, {VT_DATE, 39647.0}},
    Conversion{{VT_BSTR, 0, u"2008-07-18T13:45:00"}, VT_DATE, S_OK, {VT_DATE, 39647 + kQuarterToTwo}},
    Conversion{{VT_BSTR, 0, u"no date"}, VT_DATE, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BSTR, 0, u"39647"}, VT_DATE, DISP_E_TYPEMISMATCH},
    Conversion{{VT_I4, 39647}, VT_DATE, S_OK, {VT_DATE, 39647.0}},
    Conversion{{VT_R8, -657434.5}, VT_DATE, S_OK, {VT_DATE, -657434.5}},  // 1 January 100, noon
    Conversion{{VT_R8, -657435.0}, VT_DATE, DISP_E_OVERFLOW},
    Conversion{{VT_R8, 2958465.5}, VT_DATE, S_OK, {VT_DATE, 2958465.5}},  // 31 December 9999, noon
    Conversion{{VT_R8, 2958466.0}, VT_DATE, DISP_E_OVERFLOW},
    Conversion{{VT_DATE, 39647.5}, VT_I4, S_OK, {VT_I4, 39648}},
    Conversion{{VT_DATE, 39648.5}, VT_I4, S_OK, {VT_I4, 39648}},
    Conversion{{VT_DATE, 39647.25}, VT_R8, S_OK, {VT_R8, 39647.25}},
    Conversion{{VT_DATE, 0.25}, VT_BOOL, S_OK, {VT_BOOL, 1}},
    Conversion{{VT_BOOL, 1}, VT_DATE, S_OK, {VT_DATE, -1}}));

INSTANTIATE_TEST_SUITE_P(EmptyAndNull, ChangeType, testing::Values(
    Conversion{{VT_EMPTY}, VT_I2, S_OK, {VT_I2, 0}},
    Conversion{{VT_EMPTY}, VT_R8, S_OK, {VT_R8, 0}},
    Conversion{{VT_EMPTY}, VT_BOOL, S_OK, {VT_BOOL, 0}},
    Conversion{{VT_EMPTY}, VT_DATE, S_OK, {VT_DATE, 0}},
    Conversion{{VT_EMPTY}, VT_BSTR, S_OK, {VT_BSTR, 0, u""}},
    Conversion{{VT_EMPTY}, VT_NULL, S_OK, {VT_NULL}},
    Conversion{{VT_NULL}, VT_NULL, S_OK, {VT_NULL}},
    Conversion{{VT_NULL}, VT_EMPTY, S_OK, {VT_EMPTY}},
    Conversion{{VT_NULL}, VT_I2, DISP_E_TYPEMISMATCH},
    Conversion{{VT_NULL}, VT_I4, DISP_E_TYPEMISMATCH},
    Conversion{{VT_NULL}, VT_R8, DISP_E_TYPEMISMATCH},
    Conversion{{VT_NULL}, VT_BOOL, DISP_E_TYPEMISMATCH},
    Conversion{{VT_NULL}, VT_DATE, DISP_E_TYPEMISMATCH},
    Conversion{{VT_NULL}, VT_BSTR, DISP_E_TYPEMISMATCH},
    Conversion{{VT_I4, 1}, VT_NULL, DISP_E_TYPEMISMATCH},
    Conversion{{VT_BSTR, 0, u"x"}, VT_EMPTY, S_OK, {VT_EMPTY}},
    Conversion{{VT_I4, 1}, VT_LPSTR, DISP_E_BADVARTYPE},
    Conversion{{VT_I4, 1}, VT_BYREF | VT_I4, DISP_E_TYPEMISMATCH},
    Conversion{{VT_I4, 1}, VT_ERROR, DISP_E_TYPEMISMATCH}));

// By-reference sources are read through; the result owns its value.
TEST(ChangeTypeByRef, ReadsThroughTheReference) {
    SHORT small = 12;
    BSTR text = SysAllocString(u"34");
    UniqueVariant inner = UniqueVariant::FromDouble(2.5);
    struct Case {
        VARTYPE vt;
        void* ref;
        VARTYPE target;
        Value expected;
    } cases[] = {
        {VT_BYREF | VT_I2, &small, VT_I4, {VT_I4, 12}},
        {VT_BYREF | VT_BSTR, &text, VT_I2, {VT_I2, 34}},
        {VT_BYREF | VT_BSTR, &text, VT_BSTR, {VT_BSTR, 0, u"34"}},
        {VT_BYREF | VT_VARIANT, inner.Get(), VT_I4, {VT_I4, 2}},
        {VT_BYREF | VT_VARIANT, inner.Get(), VT_BSTR, {VT_BSTR, 0, u"2.5"}},
    };
    for (const Case& c : cases) {
        VARIANT ref;
        VariantInit(&ref);
        ref.vt = c.vt;
        ref.byref = c.ref;
        UniqueVariant result;
        ASSERT_EQ(VariantChangeType(result.Get(), &ref, 0, c.target), S_OK) << c.vt;
        EXPECT_TRUE(SameVariant(*Make(c.expected).Get(), *result.Get())) << c.vt;
        if (c.target == VT_BSTR && c.vt == (VT_BYREF | VT_BSTR)) {
            EXPECT_NE(result->bstrVal, text);
        }
    }
    EXPECT_EQ(Text(text), u"34");  // the referenced value is left alone
    SysFreeString(text);
}

TEST(ChangeTypeInPlace, ReplacesTheSourceAndFreesItsText) {
    UniqueVariant v = UniqueVariant::FromString(u"1,234");
    ASSERT_EQ(VariantChangeType(v.Get(), v.Get(), 0, VT_I4), S_OK);
    EXPECT_EQ(v.Type(), VT_I4);
    EXPECT_EQ(v->lVal, 1234);
    ASSERT_EQ(VariantChangeType(v.Get(), v.Get(), 0, VT_BSTR), S_OK);
    EXPECT_EQ(Text(v->bstrVal), u"1234");
}

TEST(ChangeTypeFailure, LeavesTheDestinationAsItWas) {
    UniqueVariant dest = UniqueVariant::FromString(u"keep");
    UniqueVariant source = UniqueVariant::FromString(u"abc");
    EXPECT_EQ(VariantChangeType(dest.Get(), source.Get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
    ASSERT_EQ(dest.Type(), VT_BSTR);
    EXPECT_EQ(Text(dest->bstrVal), u"keep");

    platform::fault::Scoped fault("VariantChangeType", static_cast<DWORD>(E_OUTOFMEMORY));
    UniqueVariant number = UniqueVariant::FromLong(5);
    EXPECT_EQ(VariantChangeType(dest.Get(), number.Get(), 0, VT_I2), E_OUTOFMEMORY);
    EXPECT_EQ(Text(dest->bstrVal), u"keep");
}

TEST(ChangeTypeSuccess, ClearsWhatTheDestinationHeld) {
    UniqueVariant dest = UniqueVariant::FromString(u"old text");  // LeakSanitizer reports it if not freed
    UniqueVariant source = UniqueVariant::FromLong(9);
    ASSERT_EQ(VariantChangeType(dest.Get(), source.Get(), 0, VT_BSTR), S_OK);
    EXPECT_EQ(Text(dest->bstrVal), u"9");
}

TEST(ChangeTypeLargeIntegers, KeepEveryDigitOf64BitValues) {
    UniqueVariant text = UniqueVariant::FromString(u"9223372036854775807");
    UniqueVariant result;
    ASSERT_EQ(VariantChangeType(result.Get(), text.Get(), 0, VT_I8), S_OK);
    EXPECT_EQ(result->llVal, 9223372036854775807LL);
    ASSERT_EQ(VariantChangeType(result.Get(), result.Get(), 0, VT_BSTR), S_OK);
    EXPECT_EQ(Text(result->bstrVal), u"9223372036854775807");

    UniqueVariant past = UniqueVariant::FromString(u"9223372036854775808");
    EXPECT_EQ(VariantChangeType(result.Get(), past.Get(), 0, VT_I8), DISP_E_OVERFLOW);
    ASSERT_EQ(VariantChangeType(result.Get(), past.Get(), 0, VT_UI8), S_OK);
    EXPECT_EQ(result->ullVal, 9223372036854775808ULL);
}

class ChangeTypeArray : public testing::Test {
protected:
    void SetUp() override {
        array_.vt = VT_ARRAY | VT_BSTR;
        array_.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
        ASSERT_NE(array_.parray, nullptr);
        for (LONG i = 0; i < 2; ++i) {
            BSTR s = SysAllocString(i == 0 ? u"alpha" : u"beta");
            ASSERT_EQ(SafeArrayPutElement(array_.parray, &i, s), S_OK);
            SysFreeString(s);
        }
    }
    void TearDown() override { VariantClear(&array_); }
    VARIANT array_{};
};

TEST_F(ChangeTypeArray, CopiesAnArrayOfTextToItsOwnTypeOnly) {
    UniqueVariant copy;
    ASSERT_EQ(VariantChangeType(copy.Get(), &array_, 0, VT_ARRAY | VT_BSTR), S_OK);
    ASSERT_EQ(copy.Type(), VT_ARRAY | VT_BSTR);
    EXPECT_NE(copy->parray, array_.parray);
    LONG index = 1;
    BSTR element = nullptr;
    ASSERT_EQ(SafeArrayGetElement(copy->parray, &index, &element), S_OK);
    EXPECT_EQ(Text(element), u"beta");
    SysFreeString(element);

    UniqueVariant other;
    EXPECT_EQ(VariantChangeType(other.Get(), &array_, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(other.Get(), &array_, 0, VT_ARRAY | VT_VARIANT), DISP_E_TYPEMISMATCH);
    UniqueVariant text = UniqueVariant::FromString(u"alpha");
    EXPECT_EQ(VariantChangeType(other.Get(), text.Get(), 0, VT_ARRAY | VT_BSTR), DISP_E_TYPEMISMATCH);
}

}  // namespace
