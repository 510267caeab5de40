// The date picker: range, formats, and Change for a person's edits only.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "error_report.h"
#include "event_log.h"
#include "platform/variant.h"
#include "platform/forms/forms.h"
#include "winerror.h"

using namespace platform::forms;
using formstest::ErrorReport;
using formstest::EventLog;
using formstest::TakeErrorReport;
using platform::com::UniqueVariant;

namespace {

// Day numbers from 30 December 1899, computed with Python:
//   (datetime.date(y, m, d) - datetime.date(1899, 12, 30)).days
constexpr DATE k18July2008 = 39647;
constexpr DATE k29October2008 = 39750;
constexpr DATE k31December1600 = -109206;
constexpr DATE k1January1601 = -109205;
constexpr DATE k31December9999 = 2958465;

class DatePickerTest : public testing::Test {
protected:
    DatePickerTest() : picker(form.Add<DatePicker>(u"Picker")) {
        EXPECT_EQ(picker.SetValue(k18July2008), S_OK);
        log.Watch(picker);
    }
    Form form{u"Form"};
    DatePicker& picker;
    EventLog log;
};

struct RangeCase {
    const char* what;
    DATE value;
    HRESULT result;
};
void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.what; }

class DatePickerRange : public DatePickerTest, public testing::WithParamInterface<RangeCase> {};

TEST_P(DatePickerRange, CodeMayOnlySetDaysWithinTheRangeAndRaisesNothing) {
    const RangeCase& c = GetParam();
    EXPECT_EQ(picker.SetValue(c.value), c.result);
    EXPECT_EQ(picker.Value(), c.result == S_OK ? c.value : k18July2008);
    EXPECT_TRUE(log.Entries().empty());
}

// Before 1899 the fraction still counts forward into the day: -109205.75 is 1 January 1601, 18:00.
INSTANTIATE_TEST_SUITE_P(
    Cases, DatePickerRange,
    testing::Values(RangeCase{"first_day", k1January1601, S_OK}, RangeCase{"first_day_evening", -109205.75, S_OK},
                    RangeCase{"day_before", k31December1600, CTL_E_INVALIDPROPERTYVALUE},
                    RangeCase{"day_before_evening", -109206.99, CTL_E_INVALIDPROPERTYVALUE},
                    RangeCase{"last_day_evening", k31December9999 + 0.99, S_OK},
                    RangeCase{"day_after", k31December9999 + 1, CTL_E_INVALIDPROPERTYVALUE},
                    RangeCase{"epoch", 0, S_OK}, RangeCase{"before_epoch", -1.25, S_OK},
                    RangeCase{"not_a_number", std::nan(""), CTL_E_INVALIDPROPERTYVALUE}),
    [](const auto& info) { return std::string(info.param.what); });

enum class Given { Date, Double, Long, Text, Null, Empty, Bool };

struct VariantCase {
    const char* what;
    Given given;
    double number;
    const char16_t* text;
    HRESULT result;
    DATE value;  // afterwards; the 18 July 2008 it held when refused
    const char16_t* description;
};
void PrintTo(const VariantCase& c, std::ostream* os) { *os << c.what; }

UniqueVariant Make(const VariantCase& c) {
    switch (c.given) {
    case Given::Date: return UniqueVariant::FromDate(c.number);
    case Given::Double: return UniqueVariant::FromDouble(c.number);
    case Given::Long: return UniqueVariant::FromLong(static_cast<LONG>(c.number));
    case Given::Text: return UniqueVariant::FromString(c.text);
    case Given::Null: return UniqueVariant::Null();
    case Given::Bool: return UniqueVariant::FromBool(c.number != 0);
    case Given::Empty: break;
    }
    return UniqueVariant();
}

class DatePickerVariants : public DatePickerTest, public testing::WithParamInterface<VariantCase> {};

TEST_P(DatePickerVariants, ConvertsTheValueOrRefusesItWithTheHostsError) {
    const VariantCase& c = GetParam();
    form.SetErrorSource(u"Host.Control");
    SetErrorInfo(0, nullptr);
    const UniqueVariant given = Make(c);
    EXPECT_EQ(picker.SetValue(*given.Get()), c.result);
    EXPECT_EQ(picker.Value(), c.value);
    if (FAILED(c.result))
        EXPECT_EQ(TakeErrorReport(), (ErrorReport{c.description, u"Host.Control"}));
    else
        EXPECT_EQ(TakeErrorReport(), std::nullopt);
    EXPECT_TRUE(log.Entries().empty());  // code's values raise no Change
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatePickerVariants,
    testing::Values(
        VariantCase{"date", Given::Date, k29October2008, u"", S_OK, k29October2008, u""},
        VariantCase{"double_day_and_time", Given::Double, 39750.5, u"", S_OK, 39750.5, u""},
        VariantCase{"long_day", Given::Long, 39750, u"", S_OK, k29October2008, u""},
        VariantCase{"us_text", Given::Text, 0, u"10/29/2008", S_OK, k29October2008, u""},
        VariantCase{"iso_text_with_time", Given::Text, 0, u"2008-10-29 12:00:00", S_OK, 39750.5, u""},
        VariantCase{"long_text", Given::Text, 0, u"October 29, 2008", S_OK, k29October2008, u""},
        VariantCase{"first_day_text", Given::Text, 0, u"1/1/1601", S_OK, k1January1601, u""},
        VariantCase{"last_day_text", Given::Text, 0, u"12/31/9999", S_OK, k31December9999, u""},
        VariantCase{"empty_is_day_zero", Given::Empty, 0, u"", S_OK, 0, u""},
        VariantCase{"text_that_is_no_date", Given::Text, 0, u"tomorrow", CTL_E_TYPEMISMATCH, k18July2008,
                    u"Type mismatch"},
        VariantCase{"empty_text", Given::Text, 0, u"", CTL_E_TYPEMISMATCH, k18July2008, u"Type mismatch"},
        VariantCase{"day_that_does_not_exist", Given::Text, 0, u"2/30/2008", CTL_E_TYPEMISMATCH, k18July2008,
                    u"Type mismatch"},
        VariantCase{"text_year_10000", Given::Text, 0, u"1/1/10000", CTL_E_TYPEMISMATCH, k18July2008,
                    u"Type mismatch"},
        VariantCase{"text_31_december_1600", Given::Text, 0, u"12/31/1600", CTL_E_INVALIDPROPERTYVALUE,
                    k18July2008, u"Invalid property value"},
        VariantCase{"date_31_december_1600", Given::Date, k31December1600, u"", CTL_E_INVALIDPROPERTYVALUE,
                    k18July2008, u"Invalid property value"},
        VariantCase{"date_1_january_10000", Given::Date, k31December9999 + 1, u"", CTL_E_INVALIDPROPERTYVALUE,
                    k18July2008, u"Invalid property value"},
        VariantCase{"number_past_any_date", Given::Double, 1e300, u"", CTL_E_INVALIDPROPERTYVALUE, k18July2008,
                    u"Invalid property value"},
        VariantCase{"null", Given::Null, 0, u"", CTL_E_INVALIDUSEOFNULL, k18July2008, u"Invalid use of Null"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(DatePickerTest, BoundsNarrowTheRangeAndPullTheValueIn) {
    ASSERT_EQ(picker.SetMinDate(k29October2008), S_OK);
    EXPECT_EQ(picker.Value(), k29October2008);
    EXPECT_EQ(picker.SetValue(k18July2008), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(picker.SetMaxDate(k18July2008), CTL_E_INVALIDPROPERTYVALUE);  // below MinDate
    EXPECT_EQ(picker.SetMinDate(k31December1600), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(picker.SetMaxDate(k31December9999 + 1), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(picker.MinDate(), k29October2008);
    EXPECT_EQ(picker.MaxDate(), k31December9999);
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(DatePickerTest, APersonsEditRaisesChangeOnlyWhenTheValueChanges) {
    EXPECT_TRUE(picker.EditValue(k29October2008));
    EXPECT_TRUE(picker.EditValue(k29October2008));
    EXPECT_EQ(picker.Value(), k29October2008);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Picker.Change"});
    // An edit stops at a bound.
    ASSERT_EQ(picker.SetMaxDate(k29October2008 + 10), S_OK);
    EXPECT_TRUE(picker.EditValue(k29October2008 + 400));
    EXPECT_EQ(picker.Value(), k29October2008 + 10);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Picker.Change"});
}

TEST_F(DatePickerTest, APersonCannotEditADisabledPicker) {
    picker.SetEnabled(false);
    EXPECT_FALSE(picker.EditValue(k29October2008));
    EXPECT_EQ(picker.Value(), k18July2008);
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(DatePickerTest, AChangeHandlerMaySetTheValueBack) {
    // The correction a host makes when an edit would invert a window: set by code, so no second Change.
    picker.Change.Add([&] {
        if (picker.Value() > k29October2008) picker.SetValue(k29October2008);
    });
    EXPECT_TRUE(picker.EditValue(k29October2008 + 5));
    EXPECT_EQ(picker.Value(), k29October2008);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Picker.Change"});
}

struct FormatCase {
    DateFormat format;
    const char16_t* custom;
    DATE value;
    const char16_t* text;
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << static_cast<int>(c.format) << " " << c.value; }

class DatePickerFormats : public DatePickerTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(DatePickerFormats, ShowsTheValueInItsFormat) {
    const FormatCase& c = GetParam();
    picker.SetFormat(c.format);
    picker.SetCustomFormat(c.custom);
    ASSERT_EQ(picker.SetValue(c.value), S_OK);
    EXPECT_EQ(picker.Text(), c.text);
}

// 18 July 2008 was a Friday; 39647.5625 is 13:30 that day; -1.25 is 29 December 1899, 06:00.
INSTANTIATE_TEST_SUITE_P(
    Cases, DatePickerFormats,
    testing::Values(FormatCase{DateFormat::ShortDate, u"", k18July2008, u"7/18/2008"},
                    FormatCase{DateFormat::LongDate, u"", k18July2008, u"Friday, July 18, 2008"},
                    FormatCase{DateFormat::Time, u"", k18July2008, u"12:00:00 AM"},
                    FormatCase{DateFormat::Time, u"", 39647.5625, u"1:30:00 PM"},
                    FormatCase{DateFormat::ShortDate, u"", -1.25, u"12/29/1899"},
                    FormatCase{DateFormat::Time, u"", -1.25, u"6:00:00 AM"},
                    FormatCase{DateFormat::ShortDate, u"", k1January1601, u"1/1/1601"},
                    FormatCase{DateFormat::LongDate, u"", k31December9999, u"Friday, December 31, 9999"},
                    FormatCase{DateFormat::Custom, u"ddd dd MMM yy 'at' HH:mm:ss t", 39647.5625,
                               u"Fri 18 Jul 08 at 13:30:00 P"},
                    FormatCase{DateFormat::Custom, u"yyyy-MM-dd", k29October2008, u"2008-10-29"}));

}  // namespace
