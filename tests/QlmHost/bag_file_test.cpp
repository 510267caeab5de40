// The property-bag file: its typed values, ISO dates, the refusal of every malformed input with a
// sentence naming the key, and the atomic replacement that leaves the old file whole on any failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <string>

#include "BagFile.h"
#include "platform/fault_injection.h"
#include "temp_dir.h"
#include "winerror.h"

namespace qlmhost {
namespace {

using platform::com::UniqueVariant;
using testing::HasSubstr;

constexpr HRESULT kNotABag = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

std::string ReadText(const std::filesystem::path& file) {
    const auto bytes = qlmtest::ReadBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

std::u16string TextOf(const VARIANT& v) { return std::u16string(v.bstrVal ? v.bstrVal : u"", SysStringLen(v.bstrVal)); }

bool SameValue(const VARIANT& a, const VARIANT& b) {
    if (a.vt != b.vt) return false;
    switch (a.vt) {
        case VT_BSTR: return TextOf(a) == TextOf(b);
        case VT_I2: return a.iVal == b.iVal;
        case VT_I4: return a.lVal == b.lVal;
        case VT_BOOL: return a.boolVal == b.boolVal;
        case VT_R8: return a.dblVal == b.dblVal;
        case VT_DATE: return a.date == b.date;
        case VT_NULL: return true;
        default: return false;
    }
}

// ---- Typed values ----------------------------------------------------------------------------------

struct TypedCase {
    const char* entry;  // the JSON of one entry
    VARTYPE vt;
    double number;  // a numeric entry's value; bool as 0 / -1; a date as its automation date
    const char16_t* text = u"";
};

class BagValueTypes : public testing::TestWithParam<TypedCase> {};

TEST_P(BagValueTypes, ReadAsTheirVariantAndWriteBackTheSameValue) {
    const TypedCase& c = GetParam();
    BagValues values;
    std::string why;
    ASSERT_EQ(ParseBagText(std::string("{\"Key\": ") + c.entry + "}", values, why), S_OK) << why;
    ASSERT_EQ(values.Size(), 1u);
    const VARIANT* v = values.Find(u"Key");
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(v->vt, c.vt);
    switch (c.vt) {
        case VT_BSTR: EXPECT_EQ(TextOf(*v), c.text); break;
        case VT_I2: EXPECT_EQ(v->iVal, c.number); break;
        case VT_I4: EXPECT_EQ(v->lVal, c.number); break;
        case VT_BOOL: EXPECT_EQ(v->boolVal, c.number); break;
        case VT_R8: EXPECT_EQ(v->dblVal, c.number); break;
        case VT_DATE: EXPECT_NEAR(v->date, c.number, 1e-9); break;
        default: break;
    }

    std::string written;
    ASSERT_EQ(FormatBagText(values, written, why), S_OK) << why;
    BagValues again;
    ASSERT_EQ(ParseBagText(written, again, why), S_OK) << why << "\n" << written;
    ASSERT_EQ(again.Size(), 1u);
    EXPECT_TRUE(SameValue(*again.Find(u"Key"), *v)) << written;
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, BagValueTypes,
    testing::Values(
        TypedCase{R"({"type": "string", "value": "a@b.c"})", VT_BSTR, 0, u"a@b.c"},
        TypedCase{R"({"type": "string", "value": ""})", VT_BSTR, 0, u""},
        TypedCase{R"({"type": "string", "value": "Zoë \"quoted\" \u2603 😀\n"})", VT_BSTR, 0,
                  u"Zoë \"quoted\" \u2603 😀\n"},
        TypedCase{R"({"type": "i2", "value": -32768})", VT_I2, -32768},
        TypedCase{R"({"type": "i2", "value": 32767})", VT_I2, 32767},
        TypedCase{R"({"type": "i4", "value": -2147483648})", VT_I4, -2147483648.0},
        TypedCase{R"({"type": "i4", "value": 2147483647})", VT_I4, 2147483647.0},
        TypedCase{R"({"type": "bool", "value": true})", VT_BOOL, VARIANT_TRUE},
        TypedCase{R"({"type": "bool", "value": false})", VT_BOOL, VARIANT_FALSE},
        TypedCase{R"({"type": "r8", "value": 0.1})", VT_R8, 0.1},
        TypedCase{R"({"type": "r8", "value": -3})", VT_R8, -3},
        TypedCase{R"({"type": "r8", "value": 1.7976931348623157e308})", VT_R8, 1.7976931348623157e308},
        TypedCase{R"({"type": "date", "value": "2008-07-18T00:00:00"})", VT_DATE, 39647.0},
        TypedCase{R"({"type": "date", "value": "2008-10-29"})", VT_DATE, 39750.0},
        TypedCase{R"({"type": "date", "value": "1899-12-29T06:00:00"})", VT_DATE, -1.25},
        TypedCase{R"({"type": "null", "value": null})", VT_NULL, 0},
        TypedCase{R"({"type": "null"})", VT_NULL, 0}));

TEST(BagFile, RoundTripKeepsEveryValueAndTheOrderOfTheNames) {
    BagValues values;
    ASSERT_EQ(values.Set(u"Zeta", *UniqueVariant::FromString(u"first").Get()), S_OK);
    ASSERT_EQ(values.Set(u"Alpha", *UniqueVariant::FromShort(1).Get()), S_OK);
    ASSERT_EQ(values.Set(u"Mode", *UniqueVariant::FromLong(-7).Get()), S_OK);
    ASSERT_EQ(values.Set(u"When", *UniqueVariant::FromDate(39647.5).Get()), S_OK);
    ASSERT_EQ(values.Set(u"Flag", *UniqueVariant::FromBool(true).Get()), S_OK);
    // Setting a known name again replaces its value in place.
    ASSERT_EQ(values.Set(u"Zeta", *UniqueVariant::FromString(u"second").Get()), S_OK);

    qlmtest::TempDir dir;
    std::string why;
    ASSERT_EQ(WriteBagFile(dir / "bag.json", values, why), S_OK) << why;
    BagValues read;
    ASSERT_EQ(ReadBagFile(dir / "bag.json", read, why), S_OK) << why;

    ASSERT_EQ(read.Size(), values.Size());
    for (std::size_t i = 0; i < values.Size(); ++i) {
        EXPECT_EQ(read.Items()[i].name, values.Items()[i].name);
        EXPECT_TRUE(SameValue(*read.Items()[i].value.Get(), *values.Items()[i].value.Get())) << i;
    }
    EXPECT_EQ(TextOf(*read.Find(u"Zeta")), u"second");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"bag.json"});
}

TEST(BagFile, SetReadsThroughAReference) {
    SHORT value = 12;
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_I2;
    byRef.piVal = &value;
    BagValues values;
    ASSERT_EQ(values.Set(u"Key", byRef), S_OK);
    value = 13;
    ASSERT_EQ(values.Find(u"Key")->vt, VT_I2);
    EXPECT_EQ(values.Find(u"Key")->iVal, 12);
}

TEST(BagFile, ValuesOfOtherTypesAreRefusedOnWriteNamingTheKey) {
    for (VARTYPE vt : {VT_EMPTY, VT_I8, VT_UNKNOWN, VT_ERROR}) {
        VARIANT v{};
        v.vt = vt;
        BagValues values;
        ASSERT_EQ(values.Set(u"Odd", v), S_OK);
        std::string text, why;
        EXPECT_EQ(FormatBagText(values, text, why), DISP_E_BADVARTYPE) << vt;
        EXPECT_THAT(why, HasSubstr("\"Odd\""));
        EXPECT_EQ(CheckBagType(v), DISP_E_BADVARTYPE);
    }
}

TEST(BagFile, ValuesThatJsonCannotHoldAreRefusedOnWrite) {
    struct Case {
        UniqueVariant value;
        HRESULT expected;
    };
    Case cases[] = {
        {UniqueVariant::FromDouble(NAN), DISP_E_OVERFLOW},
        {UniqueVariant::FromDouble(INFINITY), DISP_E_OVERFLOW},
        {UniqueVariant::FromDate(3e6), DISP_E_OVERFLOW},  // past the year 9999
        {UniqueVariant::FromString(u"broken \xD800 half"), HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION)},
    };
    for (auto& c : cases) {
        BagValues values;
        ASSERT_EQ(values.Set(u"Bad", *c.value.Get()), S_OK);
        std::string text, why;
        EXPECT_EQ(FormatBagText(values, text, why), c.expected) << why;
        EXPECT_THAT(why, HasSubstr("\"Bad\""));
    }
}

// ---- ISO 8601 dates --------------------------------------------------------------------------------

TEST(IsoDates, ParseTheFormsOfTheFileAndRefuseTheRest) {
    struct Case {
        const char* text;
        HRESULT expected;
        double date;
    };
    const double time1345 = (13 * 3600 + 45 * 60) / 86400.0;
    const Case cases[] = {
        {"2008-07-18", S_OK, 39647.0},
        {"2008-07-18T13:45:00", S_OK, 39647.0 + time1345},
        {"2008-07-18T13:45", S_OK, 39647.0 + time1345},
        {"1899-12-30T00:00:00", S_OK, 0.0},
        {"1899-12-29T06:00:00", S_OK, -1.25},
        {"0100-01-01", S_OK, -657434.0},
        {"9999-12-31T23:59:59", S_OK, 2958465.0 + 86399 / 86400.0},
        {"1601-01-01", S_OK, -109205.0},
        {"0099-12-31", DISP_E_OVERFLOW, 0},
        {"0000-01-01", DISP_E_OVERFLOW, 0},
        {"10000-01-01", DISP_E_TYPEMISMATCH, 0},
        {"2008-02-30", DISP_E_TYPEMISMATCH, 0},
        {"2008-13-01", DISP_E_TYPEMISMATCH, 0},
        {"2008-07-18T24:00:00", DISP_E_TYPEMISMATCH, 0},
        {"2008-07-18T13:60:00", DISP_E_TYPEMISMATCH, 0},
        {"2008-07-18 13:45:00", DISP_E_TYPEMISMATCH, 0},
        {"2008-07-18T13:45:00Z", DISP_E_TYPEMISMATCH, 0},
        {"2008-7-18", DISP_E_TYPEMISMATCH, 0},
        {"7/18/2008", DISP_E_TYPEMISMATCH, 0},
        {"", DISP_E_TYPEMISMATCH, 0},
        {"2008-07-1x", DISP_E_TYPEMISMATCH, 0},
    };
    for (const Case& c : cases) {
        DATE date = 12345;
        EXPECT_EQ(ParseIsoDate(c.text, date), c.expected) << c.text;
        if (c.expected == S_OK) {
            EXPECT_NEAR(date, c.date, 1e-9) << c.text;
        }
    }
}

TEST(IsoDates, FormatToTheSecond) {
    struct Case {
        double date;
        const char* text;
    };
    const Case cases[] = {
        {39647.0, "2008-07-18T00:00:00"},
        {39647.0 + 0.5, "2008-07-18T12:00:00"},
        {-1.25, "1899-12-29T06:00:00"},
        {0.0, "1899-12-30T00:00:00"},
        {39647.0 + 59.6 / 86400.0, "2008-07-18T00:01:00"},  // rounded to the nearest second
        {2958465.0 + 86399 / 86400.0, "9999-12-31T23:59:59"},
    };
    for (const Case& c : cases) {
        std::string text;
        ASSERT_EQ(FormatIsoDate(c.date, text), S_OK) << c.date;
        EXPECT_EQ(text, c.text);
    }
    std::string text;
    EXPECT_EQ(FormatIsoDate(2958466.0, text), DISP_E_OVERFLOW);
    EXPECT_EQ(FormatIsoDate(-657435.0, text), DISP_E_OVERFLOW);
}

// ---- Malformed files ---------------------------------------------------------------------------------

struct BadCase {
    std::string name;
    std::string text;
    std::string mention;  // what the sentence must say: the key, or what is wrong
};

std::string Nested(std::size_t depth, char open, char close) {
    return std::string(depth, open) + std::string(depth, close);
}

std::string DeepObject(std::size_t depth) {
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) text += "{\"a\":";
    return text + "1" + std::string(depth, '}');
}

std::vector<BadCase> BadCases() {
    return {
        {"Empty", "", "not JSON"},
        {"Truncated", R"({"Mode": {"type": "i4", "value": 1)", "not JSON"},
        {"TruncatedInText", R"({"UsernameValue": {"type": "string", "value": "a@b)", "not JSON"},
        {"TrailingGarbage", R"({} x)", "not JSON"},
        {"Comment", "{} // note", "not JSON"},
        {"Array", "[]", "no JSON object"},
        {"Number", "5", "no JSON object"},
        {"Null", "null", "no JSON object"},
        {"EntryNotAnObject", R"({"Mode": 1})", "\"Mode\": expected an object"},
        {"NoType", R"({"Mode": {"value": 1}})", "\"Mode\": no \"type\""},
        {"TypeNotText", R"({"Mode": {"type": 3, "value": 1}})", "\"Mode\": no \"type\""},
        {"UnknownType", R"({"Mode": {"type": "int", "value": 1}})", "\"Mode\": unknown type \"int\""},
        {"NoValue", R"({"Mode": {"type": "i4"}})", "\"Mode\": no \"value\""},
        {"ExtraMember", R"({"Mode": {"type": "i4", "value": 1, "note": 2}})", "\"Mode\": unexpected member \"note\""},
        {"I2TooLarge", R"({"RememberMeValue": {"type": "i2", "value": 32768}})", "\"RememberMeValue\": an i2"},
        {"I2TooSmall", R"({"RememberMeValue": {"type": "i2", "value": -32769}})", "\"RememberMeValue\": an i2"},
        {"I2Fraction", R"({"RememberMeValue": {"type": "i2", "value": 1.5}})", "\"RememberMeValue\": an i2"},
        {"I2Text", R"({"RememberMeValue": {"type": "i2", "value": "1"}})", "\"RememberMeValue\": an i2"},
        {"I4Huge", R"({"Mode": {"type": "i4", "value": 99999999999999999999999}})", "\"Mode\": an i4"},
        {"I4TooLarge", R"({"Mode": {"type": "i4", "value": 2147483648}})", "\"Mode\": an i4"},
        {"R8Overflow", R"({"Ratio": {"type": "r8", "value": 1e400}})", "not JSON"},
        {"R8Text", R"({"Ratio": {"type": "r8", "value": "1"}})", "\"Ratio\": an r8"},
        {"BoolNumber", R"({"ProxyIEValue": {"type": "bool", "value": 1}})", "\"ProxyIEValue\": a bool"},
        {"BoolText", R"({"ProxyIEValue": {"type": "bool", "value": "true"}})", "\"ProxyIEValue\": a bool"},
        {"StringNumber", R"({"UsernameValue": {"type": "string", "value": 5}})", "\"UsernameValue\": a string"},
        {"StringNull", R"({"UsernameValue": {"type": "string", "value": null}})", "\"UsernameValue\": a string"},
        {"DateNotText", R"({"NotBeforeValue": {"type": "date", "value": 39647}})", "\"NotBeforeValue\": a date"},
        {"DateNoDate", R"({"NotBeforeValue": {"type": "date", "value": "soon"}})",
         "\"NotBeforeValue\": not an ISO 8601 date"},
        {"DateNoDay", R"({"NotBeforeValue": {"type": "date", "value": "2008-02-30"}})",
         "\"NotBeforeValue\": not an ISO 8601 date"},
        {"DateOutOfRange", R"({"NotAfterValue": {"type": "date", "value": "0099-12-31T00:00:00"}})",
         "\"NotAfterValue\": date out of range"},
        {"NullWithValue", R"({"X": {"type": "null", "value": 0}})", "\"X\": a null value"},
        {"KeyTwice", R"({"Mode": {"type": "i4", "value": 1}, "Mode": {"type": "i4", "value": 2}})",
         "\"Mode\" appears twice"},
        {"MemberTwice", R"({"Mode": {"type": "i4", "type": "string", "value": 1}})", "member \"type\" appears twice"},
        {"ValueIsObject", R"({"Mode": {"type": "i4", "value": {"n": 1}}})", "\"Mode\": a value cannot be"},
        {"ValueIsArray", R"({"Mode": {"type": "i4", "value": [1]}})", "\"Mode\": a value cannot be"},
        {"DeepValue", R"({"Deep": {"type": "null", "value": )" + Nested(100000, '[', ']') + "}}", "\"Deep\": a value cannot be"},
        {"DeepArray", Nested(100000, '[', ']'), "no JSON object"},
        {"DeepObject", DeepObject(50000), "\"a\": a value cannot be"},
        {"InvalidUtf8InText", "{\"UsernameValue\": {\"type\": \"string\", \"value\": \"a\xff\xfe\"}}", "not JSON"},
        {"InvalidUtf8InKey", "{\"User\xc3\": {\"type\": \"string\", \"value\": \"a\"}}", "not JSON"},
        {"LoneSurrogateEscape", R"({"UsernameValue": {"type": "string", "value": "\ud800"}})", "not JSON"},
        {"NulByte", std::string("{\"A\": {\"type\": \"null\"}}\0", 24), "not JSON"},
    };
}

class MalformedBag : public testing::TestWithParam<BadCase> {};

TEST_P(MalformedBag, IsRefusedWithASentenceAndLeavesTheValuesAsTheyWere) {
    BagValues values;
    ASSERT_EQ(values.Set(u"Before", *UniqueVariant::FromLong(1).Get()), S_OK);
    std::string why;
    EXPECT_EQ(ParseBagText(GetParam().text, values, why), kNotABag);
    EXPECT_THAT(why, HasSubstr(GetParam().mention));
    // Printable: the bytes of a bad input never reach the terminal as they are.
    for (char c : why) EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20) << why;
    ASSERT_EQ(values.Size(), 1u);
    EXPECT_NE(values.Find(u"Before"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Inputs, MalformedBag, testing::ValuesIn(BadCases()),
                         [](const testing::TestParamInfo<BadCase>& info) { return info.param.name; });

TEST(BagFile, AnEmptyObjectIsAnEmptyBag) {
    BagValues values;
    std::string why;
    ASSERT_EQ(ParseBagText(" { } \n", values, why), S_OK) << why;
    EXPECT_EQ(values.Size(), 0u);
    std::string text;
    ASSERT_EQ(FormatBagText(values, text, why), S_OK);
    EXPECT_EQ(text, "{}\n");
}

TEST(BagFile, ReadingNamesTheFileThatFailed) {
    qlmtest::TempDir dir;
    BagValues values;
    std::string why;
    EXPECT_EQ(ReadBagFile(dir / "missing.json", values, why), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_THAT(why, HasSubstr("missing.json"));

    // A folder is no file.
    EXPECT_TRUE(FAILED(ReadBagFile(dir.path(), values, why)));

    qlmtest::WriteText(dir / "bad.json", "{\"Mode\": 1}");
    EXPECT_EQ(ReadBagFile(dir / "bad.json", values, why), kNotABag);
    EXPECT_THAT(why, HasSubstr("bad.json"));
    EXPECT_THAT(why, HasSubstr("\"Mode\""));

    std::filesystem::resize_file(dir / "bad.json", (16u << 20) + 1);
    EXPECT_EQ(ReadBagFile(dir / "bad.json", values, why), HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
}

// ---- Atomic replacement -------------------------------------------------------------------------------

class BagFileWrite : public testing::Test {
protected:
    void SetUp() override {
        qlmtest::WriteText(file_, kOld);
        ASSERT_EQ(values_.Set(u"UsernameValue", *UniqueVariant::FromString(u"new@example.com").Get()), S_OK);
    }
    void TearDown() override { platform::fault::DisarmAll(); }

    static constexpr const char* kOld = "{\"UsernameValue\": {\"type\": \"string\", \"value\": \"old@example.com\"}}\n";
    qlmtest::TempDir dir_;
    std::filesystem::path file_ = dir_ / "bag.json";
    BagValues values_;
};

TEST_F(BagFileWrite, ReplacesTheFileReadableByItsOwnerOnly) {
    std::string why;
    ASSERT_EQ(WriteBagFile(file_, values_, why), S_OK) << why;
    EXPECT_THAT(ReadText(file_), HasSubstr("new@example.com"));
    struct stat st {};
    ASSERT_EQ(stat(file_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"bag.json"});
}

TEST_F(BagFileWrite, EveryFailingStepLeavesTheOldFileAndNoTemporaryFile) {
    struct Case {
        const char* point;
        DWORD error;
    };
    const Case cases[] = {
        {"GetTempFileNameW", ERROR_ACCESS_DENIED}, {"CreateFileW", ERROR_SHARING_VIOLATION},
        {"WriteFile", ERROR_DISK_FULL},            {"FlushFileBuffers", ERROR_IO_DEVICE},
        {"MoveFileExW", ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        std::string why;
        {
            platform::fault::Scoped fault(c.point, c.error);
            EXPECT_EQ(WriteBagFile(file_, values_, why), HRESULT_FROM_WIN32(c.error)) << c.point;
        }
        EXPECT_THAT(why, HasSubstr("bag.json")) << c.point;
        EXPECT_EQ(ReadText(file_), kOld) << c.point;
        EXPECT_EQ(dir_.Names(), std::vector<std::string>{"bag.json"}) << c.point;
    }
}

TEST_F(BagFileWrite, AValueThatCannotBeWrittenLeavesTheOldFile) {
    ASSERT_EQ(values_.Set(u"Ratio", *UniqueVariant::FromDouble(NAN).Get()), S_OK);
    std::string why;
    EXPECT_EQ(WriteBagFile(file_, values_, why), DISP_E_OVERFLOW);
    EXPECT_THAT(why, HasSubstr("\"Ratio\""));
    EXPECT_EQ(ReadText(file_), kOld);
}

TEST_F(BagFileWrite, IntoAMissingFolderFailsNamingTheFile) {
    std::string why;
    // As on Windows, the temporary name in a folder that does not exist fails with ERROR_DIRECTORY.
    EXPECT_EQ(WriteBagFile(dir_ / "no" / "bag.json", values_, why), HRESULT_FROM_WIN32(ERROR_DIRECTORY));
    EXPECT_THAT(why, HasSubstr("bag.json"));
}

}  // namespace
}  // namespace qlmhost
