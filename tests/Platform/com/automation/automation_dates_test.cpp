#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "oleauto.h"
#include "platform/bstr.h"
#include "variant_values.h"

namespace {

using automation_test::Text;
using platform::com::UniqueBstr;

// A time of day as the runtime joins it to a day: whole seconds over 86400.
constexpr double Seconds(int h, int m, int s) { return (h * 3600 + m * 60 + s) / 86400.0; }

struct CalendarCase {
    double date;
    WORD year, month, day, hour, minute, second, dayOfWeek;
};

// Days and weekdays from an independent source:
//   python3 -c "from datetime import *; d=datetime(1899,12,30)+timedelta(days=39647); print(d, d.strftime('%A'))"
// Negative dates count days backwards and add the time of day (-1.25 is 29 December 1899, 06:00).
const CalendarCase kCalendar[] = {
    {39647.0, 2008, 7, 18, 0, 0, 0, 5},
    {39750.0, 2008, 10, 29, 0, 0, 0, 3},
    {39647 + Seconds(13, 45, 0), 2008, 7, 18, 13, 45, 0, 5},
    {0.0, 1899, 12, 30, 0, 0, 0, 6},
    {1.0, 1899, 12, 31, 0, 0, 0, 0},
    {2.0, 1900, 1, 1, 0, 0, 0, 1},
    {60.0, 1900, 2, 28, 0, 0, 0, 3},  // 1900 is no leap year
    {61.0, 1900, 3, 1, 0, 0, 0, 4},
    {36585.0, 2000, 2, 29, 0, 0, 0, 2},  // 2000 is one
    {-1 - Seconds(6, 0, 0), 1899, 12, 29, 6, 0, 0, 5},
    {-657434.0, 100, 1, 1, 0, 0, 0, 5},
    {2958465 + Seconds(23, 59, 59), 9999, 12, 31, 23, 59, 59, 5},
};

class Calendar : public testing::TestWithParam<CalendarCase> {};

TEST_P(Calendar, VariantTimeAndSystemTimeAgree) {
    const CalendarCase& c = GetParam();
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(c.date, &st));
    EXPECT_EQ(st.wYear, c.year);
    EXPECT_EQ(st.wMonth, c.month);
    EXPECT_EQ(st.wDay, c.day);
    EXPECT_EQ(st.wHour, c.hour);
    EXPECT_EQ(st.wMinute, c.minute);
    EXPECT_EQ(st.wSecond, c.second);
    EXPECT_EQ(st.wDayOfWeek, c.dayOfWeek);
    EXPECT_EQ(st.wMilliseconds, 0);

    st.wMilliseconds = 999;  // ignored on the way back
    double back = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &back));
    EXPECT_EQ(back, c.date);
}

INSTANTIATE_TEST_SUITE_P(KnownDays, Calendar, testing::ValuesIn(kCalendar));

TEST(VariantTime, RoundsToTheNearestSecond) {
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(39647 + 0.4 / 86400, &st));
    EXPECT_EQ(st.wSecond, 0);
    ASSERT_TRUE(VariantTimeToSystemTime(39647 + 0.6 / 86400, &st));
    EXPECT_EQ(st.wSecond, 1);
    // The last half second of a day belongs to the next one.
    ASSERT_TRUE(VariantTimeToSystemTime(39647.9999999, &st));
    EXPECT_EQ(st.wDay, 19);
    EXPECT_EQ(st.wHour, 0);
    EXPECT_EQ(st.wSecond, 0);
}

TEST(VariantTime, RefusesWhatLiesOutsideTheAutomationRange) {
    SYSTEMTIME st{};
    for (double date : {-657435.0, 2958466.0, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(VariantTimeToSystemTime(date, &st)) << date;

    double date = 0;
    const SYSTEMTIME refused[] = {
        {99, 12, 0, 31, 0, 0, 0, 0},     // before year 100
        {10000, 1, 0, 1, 0, 0, 0, 0},    // after 9999
        {2008, 13, 0, 1, 0, 0, 0, 0},    // no such month
        {2008, 0, 0, 1, 0, 0, 0, 0},
        {2007, 2, 0, 29, 0, 0, 0, 0},    // no leap year
        {2008, 4, 0, 31, 0, 0, 0, 0},
        {2008, 7, 0, 0, 0, 0, 0, 0},
        {2008, 7, 0, 18, 24, 0, 0, 0},   // no such time
        {2008, 7, 0, 18, 23, 60, 0, 0},
        {2008, 7, 0, 18, 23, 59, 60, 0},
    };
    for (SYSTEMTIME st : refused) EXPECT_FALSE(SystemTimeToVariantTime(&st, &date)) << st.wYear << "-" << st.wMonth;
}

struct TextCase {
    const char16_t* text;
    double date;
};

class DateFromText : public testing::TestWithParam<TextCase> {};

TEST_P(DateFromText, ReadsTheDate) {
    DATE date = -1e9;
    ASSERT_EQ(VarDateFromStr(GetParam().text, LOCALE_USER_DEFAULT, 0, &date), S_OK);
    EXPECT_EQ(date, GetParam().date);
}

INSTANTIATE_TEST_SUITE_P(Iso8601, DateFromText, testing::Values(
    TextCase{u"2008-07-18", 39647.0},
    TextCase{u"2008-07-18T13:45:00", 39647 + Seconds(13, 45, 0)},
    TextCase{u"2008-07-18 13:45:00", 39647 + Seconds(13, 45, 0)},
    TextCase{u"2008-07-18T13:45:30.250", 39647 + Seconds(13, 45, 30)},
    TextCase{u"2008/07/18", 39647.0},
    TextCase{u"2008-10-29", 39750.0}));

INSTANTIATE_TEST_SUITE_P(EnglishUnitedStates, DateFromText, testing::Values(
    TextCase{u"7/18/2008", 39647.0},
    TextCase{u" 07/18/2008 ", 39647.0},
    TextCase{u"7-18-2008", 39647.0},
    TextCase{u"7/18/08", 39647.0},
    TextCase{u"7/18/2008 1:45:00 PM", 39647 + Seconds(13, 45, 0)},
    TextCase{u"7/18/2008 1:45 pm", 39647 + Seconds(13, 45, 0)},
    TextCase{u"7/18/2008 13:45", 39647 + Seconds(13, 45, 0)},
    TextCase{u"July 18, 2008", 39647.0},
    TextCase{u"jul 18 2008", 39647.0},
    TextCase{u"Friday, July 18, 2008", 39647.0},
    TextCase{u"18 July 2008", 39647.0},
    TextCase{u"18-Jul-2008", 39647.0},
    TextCase{u"12/29/1899 6:00:00 AM", -1 - Seconds(6, 0, 0)},
    TextCase{u"1/1/100", -657434.0},
    TextCase{u"12/31/9999 11:59:59 PM", 2958465 + Seconds(23, 59, 59)},
    TextCase{u"2/29/2000", 36585.0},
    TextCase{u"7/18/30", 11157.0}));  // two-digit years from 30 on are 19xx

INSTANTIATE_TEST_SUITE_P(TimeAlone, DateFromText, testing::Values(
    TextCase{u"1:45:00 PM", Seconds(13, 45, 0)},
    TextCase{u"13:45", Seconds(13, 45, 0)},
    TextCase{u"12:00:00 AM", 0.0},
    TextCase{u"12:30 PM", Seconds(12, 30, 0)},
    TextCase{u"1 PM", Seconds(13, 0, 0)},
    TextCase{u"0:00", 0.0}));

TEST(DateFromText, RefusesTextThatIsNoDateOrNoDay) {
    const char16_t* refused[] = {
        u"", u"   ", u"abc", u"39647", u"7/18", u"2/30/2008", u"13/1/2008", u"2007-02-29", u"2008-7-18T",
        u"25:00", u"13:60", u"13 PM", u"1/1/0099", u"1/1/10000", u"7/18/2008 extra", u"7/18/2008 1:45 XM",
        u"Smarch 18, 2008", u"7/18/2008 (x)",
    };
    for (const char16_t* text : refused) {
        DATE date = 123.0;
        EXPECT_EQ(VarDateFromStr(text, LOCALE_USER_DEFAULT, 0, &date), DISP_E_TYPEMISMATCH)
            << automation_test::Describe(*automation_test::Make({VT_BSTR, 0, text}).Get());
        EXPECT_EQ(date, 123.0);
    }
    EXPECT_EQ(VarDateFromStr(nullptr, LOCALE_USER_DEFAULT, 0, nullptr), E_INVALIDARG);
}

struct FormatCase {
    double date;
    ULONG flags;
    const char16_t* text;
};

class DateToText : public testing::TestWithParam<FormatCase> {};

TEST_P(DateToText, WritesTheEnglishForm) {
    const FormatCase& c = GetParam();
    UniqueBstr text;
    ASSERT_EQ(VarBstrFromDate(c.date, LOCALE_USER_DEFAULT, c.flags, text.Put()), S_OK);
    EXPECT_EQ(Text(text.Get()), c.text);
    if (c.flags != 0) return;
    // What is written reads back as the same date.
    DATE back = 0;
    ASSERT_EQ(VarDateFromStr(text.Get(), LOCALE_USER_DEFAULT, 0, &back), S_OK);
    EXPECT_EQ(back, c.date);
}

INSTANTIATE_TEST_SUITE_P(Forms, DateToText, testing::Values(
    FormatCase{39647.0, 0, u"7/18/2008"},  // midnight: the date alone
    FormatCase{39647 + Seconds(13, 45, 0), 0, u"7/18/2008 1:45:00 PM"},
    FormatCase{Seconds(13, 45, 0), 0, u"1:45:00 PM"},  // 30 December 1899: the time alone
    FormatCase{0.0, 0, u"12:00:00 AM"},
    FormatCase{0.5, 0, u"12:00:00 PM"},
    FormatCase{1.0, 0, u"12/31/1899"},
    FormatCase{-1 - Seconds(6, 0, 0), 0, u"12/29/1899 6:00:00 AM"},
    FormatCase{-657434.0, 0, u"1/1/0100"},
    FormatCase{2958465 + Seconds(23, 59, 59), 0, u"12/31/9999 11:59:59 PM"},
    FormatCase{39647.5, VAR_DATEVALUEONLY, u"7/18/2008"},
    FormatCase{39647.5, VAR_TIMEVALUEONLY, u"12:00:00 PM"}));

TEST(DateToText, RefusesDatesOutsideTheRange) {
    for (double date : {-657435.0, 2958466.0, std::numeric_limits<double>::quiet_NaN()}) {
        BSTR text = reinterpret_cast<BSTR>(1);
        EXPECT_EQ(VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, &text), E_INVALIDARG) << date;
        EXPECT_EQ(text, nullptr);
    }
}

}  // namespace
