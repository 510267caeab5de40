// The host's IPropertyBag and IErrorLog, and how the host reads values from its command line and
// prints them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PropertyBag.h"
#include "ValueText.h"
#include "platform/com_ptr.h"
#include "platform/safe_array.h"

namespace qlmhost {
namespace {

using platform::com::ComPtr;
using platform::com::UniqueVariant;
using testing::HasSubstr;

ComPtr<HostPropertyBag> BagOf(std::initializer_list<std::pair<const char16_t*, UniqueVariant>> items) {
    BagValues values;
    for (const auto& [name, value] : items) EXPECT_EQ(values.Set(name, *value.Get()), S_OK);
    return platform::com::Make<HostPropertyBag>(std::move(values));
}

TEST(HostPropertyBag, ReadGivesTheStoredValueOrConvertsToTheTypeAskedFor) {
    auto bag = BagOf({{u"Count", UniqueVariant::FromString(u"2")},
                      {u"Name", UniqueVariant::FromString(u"ann")},
                      {u"Mode", UniqueVariant::FromLong(1)},
                      {u"Flag", UniqueVariant::FromBool(true)}});
    UniqueVariant value;
    ASSERT_EQ(bag->Read(u"Name", value.Put(), nullptr), S_OK);
    EXPECT_EQ(value.Type(), VT_BSTR);
    EXPECT_EQ(std::u16string(value->bstrVal), u"ann");

    value.Put()->vt = VT_I2;  // asks for a 16-bit integer
    ASSERT_EQ(bag->Read(u"Count", value.Get(), nullptr), S_OK);
    EXPECT_EQ(value.Type(), VT_I2);
    EXPECT_EQ(value->iVal, 2);
    // What was never asked for, in the bag's order.
    EXPECT_EQ(bag->NamesNotRead(), (std::vector<std::u16string>{u"Mode", u"Flag"}));
}

TEST(HostPropertyBag, AMissingNameIsInvalidArgAndIsRememberedAsAsked) {
    auto bag = BagOf({{u"Name", UniqueVariant::FromString(u"ann")}});
    UniqueVariant value;
    EXPECT_EQ(bag->Read(u"Mode", value.Put(), nullptr), E_INVALIDARG);
    EXPECT_EQ(value.Type(), VT_EMPTY);
    EXPECT_EQ(bag->LastName(), u"Mode");
    EXPECT_EQ(bag->NamesNotRead(), std::vector<std::u16string>{u"Name"});
    EXPECT_EQ(bag->Read(nullptr, value.Put(), nullptr), E_POINTER);
    EXPECT_EQ(bag->Read(u"Name", nullptr, nullptr), E_POINTER);
}

TEST(HostPropertyBag, AValueThatDoesNotConvertIsReportedToTheErrorLog) {
    auto bag = BagOf({{u"Count", UniqueVariant::FromString(u"many")}});
    auto log = platform::com::Make<HostErrorLog>();
    UniqueVariant value;
    value.Put()->vt = VT_I2;
    EXPECT_EQ(bag->Read(u"Count", value.Get(), log.Get()), E_FAIL);
    EXPECT_THAT(bag->Refusal(), HasSubstr("\"many\" cannot be read as short: Type mismatch"));
    ASSERT_EQ(log->Errors().size(), 1u);
    EXPECT_EQ(log->Errors()[0].name, u"Count");
    EXPECT_EQ(log->Errors()[0].hr, DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(log->Errors()[0].description.empty());
}

TEST(HostPropertyBag, WriteKeepsWhatABagFileCanHoldAndRefusesTheRest) {
    auto bag = platform::com::Make<HostPropertyBag>();
    SHORT count = 3;
    VARIANT byRef{};
    byRef.vt = VT_BYREF | VT_I2;
    byRef.piVal = &count;
    ASSERT_EQ(bag->Write(u"Count", &byRef), S_OK);
    UniqueVariant date = UniqueVariant::FromDate(39647.0);
    ASSERT_EQ(bag->Write(u"When", date.Get()), S_OK);
    ASSERT_EQ(bag->Values().Size(), 2u);
    EXPECT_EQ(bag->Values().Find(u"Count")->vt, VT_I2);
    EXPECT_EQ(bag->Values().Find(u"Count")->iVal, 3);

    VARIANT unknown{};
    unknown.vt = VT_UNKNOWN;
    EXPECT_EQ(bag->Write(u"Object", &unknown), DISP_E_BADVARTYPE);
    EXPECT_EQ(bag->LastName(), u"Object");
    EXPECT_THAT(bag->Refusal(), HasSubstr("IUnknown"));
    EXPECT_EQ(bag->Values().Size(), 2u);
}

TEST(HostErrorLog, TakesTheStatusFromScodeOrWCode) {
    auto log = platform::com::Make<HostErrorLog>();
    EXCEPINFO info{};
    info.scode = CTL_E_TYPEMISMATCH;
    info.bstrDescription = SysAllocString(u"Type mismatch");
    ASSERT_EQ(log->AddError(u"RememberMeValue", &info), S_OK);
    SysFreeString(info.bstrDescription);
    EXCEPINFO coded{};
    coded.wCode = 380;
    ASSERT_EQ(log->AddError(u"Mode", &coded), S_OK);
    EXPECT_EQ(log->AddError(u"Mode", nullptr), E_POINTER);

    ASSERT_EQ(log->Errors().size(), 2u);
    EXPECT_EQ(log->Errors()[0].name, u"RememberMeValue");
    EXPECT_EQ(log->Errors()[0].hr, CTL_E_TYPEMISMATCH);
    EXPECT_EQ(log->Errors()[0].description, u"Type mismatch");
    EXPECT_EQ(log->Errors()[1].hr, CTL_E_INVALIDPROPERTYVALUE);  // 380 is "Invalid property value"
}

// ---- Values on the command line and in the output ----------------------------------------------------

TEST(ValueText, PrintsEachTypeOnOneLine) {
    platform::com::UniqueSafeArray list(SafeArrayCreateVector(VT_BSTR, 0, 3));
    const char16_t* items[] = {u"", u"a \"b\"", u"c"};
    for (LONG i = 0; i < 3; ++i) {
        BSTR item = SysAllocString(items[i]);
        ASSERT_EQ(SafeArrayPutElement(list.Get(), &i, item), S_OK);
        SysFreeString(item);
    }
    VARIANT array{};
    array.vt = VT_ARRAY | VT_BSTR;
    array.parray = list.Release();
    UniqueVariant arrayValue = UniqueVariant::Adopt(array);
    SHORT referenced = -7;
    VARIANT byRef{};
    byRef.vt = VT_BYREF | VT_I2;
    byRef.piVal = &referenced;

    struct Case {
        const VARIANT* value;
        const char* text;
    };
    const UniqueVariant empty, null = UniqueVariant::Null(), yes = UniqueVariant::FromBool(true),
                               no = UniqueVariant::FromBool(false), i4 = UniqueVariant::FromLong(-2147483647 - 1),
                               r8 = UniqueVariant::FromDouble(0.5), date = UniqueVariant::FromDate(39647.5),
                               farDate = UniqueVariant::FromDate(3e6), text = UniqueVariant::FromString(u"Zoë");
    const Case cases[] = {
        {empty.Get(), ""},
        {null.Get(), "Null"},
        {yes.Get(), "True"},
        {no.Get(), "False"},
        {i4.Get(), "-2147483648"},
        {r8.Get(), "0.5"},
        {date.Get(), "2008-07-18T12:00:00"},
        {text.Get(), "Zoë"},
        {arrayValue.Get(), "[\"\", \"a \\\"b\\\"\", \"c\"]"},
        {&byRef, "-7"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatValue(*c.value), c.text);
    // A date past the automation range cannot show as a date; it still prints something.
    EXPECT_FALSE(FormatValue(*farDate.Get()).empty());
}

TEST(ValueText, ReadsTextAsTheParameterTypeAsks) {
    struct Case {
        const char16_t* text;
        VARTYPE vt;
        HRESULT expected;
        const char* shown;  // FormatValue of the result
    };
    const Case cases[] = {
        {u"1", VT_I2, S_OK, "1"},
        {u"-32768", VT_I2, S_OK, "-32768"},
        {u"32768", VT_I2, DISP_E_OVERFLOW, ""},
        {u"one", VT_I2, DISP_E_TYPEMISMATCH, ""},
        {u"2147483647", VT_I4, S_OK, "2147483647"},
        {u"True", VT_BOOL, S_OK, "True"},
        {u"false", VT_BOOL, S_OK, "False"},
        {u"-1", VT_BOOL, S_OK, "True"},
        {u"maybe", VT_BOOL, DISP_E_TYPEMISMATCH, ""},
        {u"2008-07-18T13:45:00", VT_DATE, S_OK, "2008-07-18T13:45:00"},
        {u"7/18/2008 1:45 PM", VT_DATE, S_OK, "2008-07-18T13:45:00"},
        {u"soon", VT_DATE, DISP_E_TYPEMISMATCH, ""},
        // Text, a VARIANT and an unknown type keep the text for the control to convert.
        {u"soon", VT_VARIANT, S_OK, "soon"},
        {u"12", VT_BSTR, S_OK, "12"},
        {u"x", VT_EMPTY, S_OK, "x"},
    };
    for (const Case& c : cases) {
        UniqueVariant value;
        EXPECT_EQ(ValueFromText(c.text, c.vt, value), c.expected) << c.shown;
        if (c.expected == S_OK) {
            EXPECT_EQ(FormatValue(*value.Get()), c.shown);
            EXPECT_EQ(value.Type(), c.vt == VT_VARIANT || c.vt == VT_EMPTY ? VARTYPE{VT_BSTR} : c.vt);
        }
    }
}

}  // namespace
}  // namespace qlmhost
