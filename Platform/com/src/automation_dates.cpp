// Automation dates: the calendar behind a DATE, its text in English (United States) and ISO 8601
// forms, and SYSTEMTIME.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "oleauto.h"
#include "platform/fault_injection.h"
#include "winerror.h"

namespace {

constexpr long kFirstDay = -657434;  // 1 January 100
constexpr long kLastDay = 2958465;   // 31 December 9999
constexpr long kDaysTo1970 = 25569;  // from 30 December 1899 to 1 January 1970
constexpr long kSecondsPerDay = 86400;

// Days since 1 January 1970 of a date in the proleptic Gregorian calendar, and back (the era-based
// algorithms of Howard Hinnant's "chrono-Compatible Low-Level Date Algorithms").
long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long>(yoe) + era * 400 + (m <= 2);
}

bool IsLeapYear(long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(long y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// A DATE taken apart: the calendar day (as a day number and as year, month, day) and the time of day
// in whole seconds.
struct DateParts {
    long serialDay = 0;  // days since 30 December 1899
    long year = 1899;
    unsigned month = 12;
    unsigned day = 30;
    long seconds = 0;
    unsigned dayOfWeek = 6;  // 0 is Sunday; 30 December 1899 was a Saturday
};

std::optional<DateParts> SplitDate(double date) {
    // Whole days count towards zero and the fraction is the time of day, whatever the sign.
    if (!(date > kFirstDay - 1.0 && date < kLastDay + 1.0)) return std::nullopt;
    const double whole = std::trunc(date);
    DateParts parts;
    parts.serialDay = static_cast<long>(whole);
    parts.seconds = std::lround(std::fabs(date - whole) * kSecondsPerDay);
    if (parts.seconds == kSecondsPerDay) {  // rounds up into the next calendar day
        parts.seconds = 0;
        ++parts.serialDay;
    }
    if (parts.serialDay > kLastDay) return std::nullopt;
    CivilFromDays(parts.serialDay - kDaysTo1970, parts.year, parts.month, parts.day);
    parts.dayOfWeek = static_cast<unsigned>(((parts.serialDay + 6) % 7 + 7) % 7);
    return parts;
}

DATE JoinDate(long serialDay, long seconds) {
    const double time = static_cast<double>(seconds) / kSecondsPerDay;
    return serialDay >= 0 ? serialDay + time : serialDay - time;
}

// A calendar date and time as a DATE, if every field exists (year 100-9999).
std::optional<DATE> DateFromFields(long y, unsigned m, unsigned d, unsigned h, unsigned mi, unsigned s) {
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return std::nullopt;
    if (h > 23 || mi > 59 || s > 59) return std::nullopt;
    return JoinDate(DaysFromCivil(y, m, d) + kDaysTo1970, static_cast<long>(h * 3600 + mi * 60 + s));
}

// ---- Reading date text ------------------------------------------------------------------------------

struct Token {
    enum Kind { Number, Word, Mark };
    explicit Token(Kind k) : kind(k) {}
    Kind kind;
    unsigned value = 0;   // Number
    unsigned digits = 0;  // Number
    std::string word;     // Word, lower case
    char mark = 0;        // Mark: one of / - : , .
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u00A0'; }

std::optional<std::vector<Token>> Tokenize(std::u16string_view text) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const char16_t c = text[i];
        if (IsBlank(c)) {
            ++i;
        } else if (c >= u'0' && c <= u'9') {
            Token t(Token::Number);
            for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
                if (++t.digits > 9) return std::nullopt;
                t.value = t.value * 10 + (text[i] - u'0');
            }
            tokens.push_back(std::move(t));
        } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
            Token t(Token::Word);
            for (; i < text.size() && ((text[i] >= u'a' && text[i] <= u'z') || (text[i] >= u'A' && text[i] <= u'Z'));
                 ++i)
                t.word.push_back(static_cast<char>(text[i] | 0x20));
            tokens.push_back(std::move(t));
        } else if (c == u'/' || c == u'-' || c == u':' || c == u',' || c == u'.') {
            Token t(Token::Mark);
            t.mark = static_cast<char>(c);
            tokens.push_back(std::move(t));
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return tokens;
}

constexpr std::string_view kMonths[] = {"january", "february", "march",     "april",   "may",      "june",
                                        "july",    "august",   "september", "october", "november", "december"};
constexpr std::string_view kWeekdays[] = {"sunday",   "monday", "tuesday", "wednesday",
                                          "thursday", "friday", "saturday"};

// A full English name or its first three letters ("sept" too, as people write it).
std::optional<unsigned> MonthFromWord(std::string_view word) {
    for (unsigned m = 0; m < 12; ++m)
        if (word == kMonths[m] || word == kMonths[m].substr(0, 3) || (m == 8 && word == "sept")) return m + 1;
    return std::nullopt;
}

bool IsWeekday(std::string_view word) {
    for (std::string_view name : kWeekdays)
        if (word == name || word == name.substr(0, 3)) return true;
    return false;
}

// Years written with one or two digits fall in 1930-2029.
long ExpandYear(const Token& t) {
    if (t.digits > 2) return t.value;
    return t.value < 30 ? 2000 + t.value : 1900 + t.value;
}

struct CalendarDay {
    long year;
    unsigned month;
    unsigned day;
    bool iso;  // year first: may be followed by "T" and a time
};

struct TimeOfDay {
    unsigned hour;
    unsigned minute;
    unsigned second;
};

// A recursive-descent reader over the tokens; each alternative starts from the same place and
// gives way to the next when it does not match.
class DateTextReader {
public:
    explicit DateTextReader(std::vector<Token> tokens) : t_(std::move(tokens)) {}

    std::optional<DATE> Read() {
        if (t_.empty()) return std::nullopt;
        std::size_t next = 0;
        if (auto time = TimeAt(0, next); time && next == t_.size()) return FromParts(std::nullopt, *time);
        const auto day = DayAt(0, next);
        if (!day) return std::nullopt;
        if (next == t_.size()) return FromParts(day, TimeOfDay{0, 0, 0});
        if (day->iso && IsWord(next, "t")) ++next;
        const auto time = TimeAt(next, next);
        if (!time || next != t_.size()) return std::nullopt;
        return FromParts(day, *time);
    }

private:
    static std::optional<DATE> FromParts(const std::optional<CalendarDay>& day, const TimeOfDay& time) {
        if (!day) return DateFromFields(1899, 12, 30, time.hour, time.minute, time.second);
        return DateFromFields(day->year, day->month, day->day, time.hour, time.minute, time.second);
    }

    bool IsNumber(std::size_t i, unsigned minDigits = 1, unsigned maxDigits = 9) const {
        return i < t_.size() && t_[i].kind == Token::Number && t_[i].digits >= minDigits &&
               t_[i].digits <= maxDigits;
    }
    bool IsMark(std::size_t i, char mark) const {
        return i < t_.size() && t_[i].kind == Token::Mark && t_[i].mark == mark;
    }
    bool IsWord(std::size_t i, std::string_view word) const {
        return i < t_.size() && t_[i].kind == Token::Word && t_[i].word == word;
    }
    std::optional<unsigned> MonthAt(std::size_t i) const {
        if (i >= t_.size() || t_[i].kind != Token::Word) return std::nullopt;
        return MonthFromWord(t_[i].word);
    }

    std::optional<CalendarDay> DayAt(std::size_t i, std::size_t& next) const {
        // 2008-07-18, 2008/07/18
        for (char sep : {'-', '/'}) {
            if (IsNumber(i, 4, 4) && IsMark(i + 1, sep) && IsNumber(i + 2, 1, 2) && IsMark(i + 3, sep) &&
                IsNumber(i + 4, 1, 2)) {
                next = i + 5;
                return CalendarDay{static_cast<long>(t_[i].value), t_[i + 2].value, t_[i + 4].value, true};
            }
        }
        // 7/18/2008, 7-18-2008, 7/18/08
        for (char sep : {'/', '-'}) {
            if (IsNumber(i, 1, 2) && IsMark(i + 1, sep) && IsNumber(i + 2, 1, 2) && IsMark(i + 3, sep) &&
                IsNumber(i + 4, 1, 4)) {
                next = i + 5;
                return CalendarDay{ExpandYear(t_[i + 4]), t_[i].value, t_[i + 2].value, false};
            }
        }
        // [Friday[,]] July 18[,] 2008
        std::size_t j = i;
        if (j < t_.size() && t_[j].kind == Token::Word && IsWeekday(t_[j].word)) {
            ++j;
            if (IsMark(j, ',')) ++j;
        }
        if (const auto month = MonthAt(j)) {
            ++j;
            if (IsMark(j, '.')) ++j;
            if (IsNumber(j, 1, 2)) {
                const unsigned day = t_[j++].value;
                if (IsMark(j, ',')) ++j;
                if (IsNumber(j, 1, 4)) {
                    next = j + 1;
                    return CalendarDay{ExpandYear(t_[j]), *month, day, false};
                }
            }
        }
        // 18 July 2008, 18-Jul-2008
        j = i;
        if (IsNumber(j, 1, 2)) {
            const unsigned day = t_[j++].value;
            const bool dashed = IsMark(j, '-');
            if (dashed) ++j;
            if (const auto month = MonthAt(j)) {
                ++j;
                if (IsMark(j, '.')) ++j;
                if (dashed ? IsMark(j, '-') : IsMark(j, ',')) ++j;
                if (IsNumber(j, 1, 4)) {
                    next = j + 1;
                    return CalendarDay{ExpandYear(t_[j]), *month, day, false};
                }
            }
        }
        return std::nullopt;
    }

    // 13:45, 13:45:00, 13:45:00.250 (the fraction is dropped), 1:45 PM, 1:45:00 PM, 1 PM.
    std::optional<TimeOfDay> TimeAt(std::size_t i, std::size_t& next) const {
        if (!IsNumber(i, 1, 2)) return std::nullopt;
        TimeOfDay time{t_[i].value, 0, 0};
        std::size_t j = i + 1;
        const bool hasMinutes = IsMark(j, ':') && IsNumber(j + 1, 1, 2);
        if (hasMinutes) {
            time.minute = t_[j + 1].value;
            j += 2;
            if (IsMark(j, ':') && IsNumber(j + 1, 1, 2)) {
                time.second = t_[j + 1].value;
                j += 2;
                if (IsMark(j, '.') && IsNumber(j + 1)) j += 2;
            }
        }
        const bool am = IsWord(j, "am") || IsWord(j, "a");
        const bool pm = IsWord(j, "pm") || IsWord(j, "p");
        if (am || pm) {
            if (time.hour > 12) return std::nullopt;
            time.hour = time.hour % 12 + (pm ? 12 : 0);
            ++j;
        } else if (!hasMinutes) {
            return std::nullopt;  // a lone number is no time
        }
        next = j;
        return time;
    }

    std::vector<Token> t_;
};

// ---- Writing date text ------------------------------------------------------------------------------

std::u16string Widen(const char* ascii) {
    std::u16string out;
    for (; *ascii != 0; ++ascii) out.push_back(static_cast<char16_t>(*ascii));
    return out;
}

// English (United States): M/d/yyyy and h:mm:ss tt.
std::u16string FormatDate(const DateParts& parts, bool showDate, bool showTime) {
    char text[64];
    int length = 0;
    if (showDate)
        length = std::snprintf(text, sizeof text, "%u/%u/%04ld", parts.month, parts.day, parts.year);
    if (showTime) {
        const long hour = parts.seconds / 3600;
        const long hour12 = hour % 12 == 0 ? 12 : hour % 12;
        std::snprintf(text + length, sizeof text - length, "%s%ld:%02ld:%02ld %s", showDate ? " " : "", hour12,
                      parts.seconds / 60 % 60, parts.seconds % 60, hour < 12 ? "AM" : "PM");
    }
    return Widen(text);
}

}  // namespace

extern "C" {

HRESULT WINAPI VarDateFromStr(LPCOLESTR strIn, LCID lcid, ULONG dwFlags, DATE* pdateOut) {
    (void)lcid;
    (void)dwFlags;
    if (auto injected = platform::fault::Check("VarDateFromStr")) return HRESULT_FROM_WIN32(*injected);
    if (strIn == nullptr || pdateOut == nullptr) return E_INVALIDARG;
    auto tokens = Tokenize(std::u16string_view(strIn));
    if (!tokens) return DISP_E_TYPEMISMATCH;
    const auto date = DateTextReader(std::move(*tokens)).Read();
    if (!date) return DISP_E_TYPEMISMATCH;
    *pdateOut = *date;
    return S_OK;
}

HRESULT WINAPI VarBstrFromDate(DATE dateIn, LCID lcid, ULONG dwFlags, BSTR* pbstrOut) {
    (void)lcid;
    if (auto injected = platform::fault::Check("VarBstrFromDate")) return HRESULT_FROM_WIN32(*injected);
    if (pbstrOut == nullptr) return E_INVALIDARG;
    *pbstrOut = nullptr;
    const auto parts = SplitDate(dateIn);
    if (!parts) return E_INVALIDARG;
    bool showDate = parts->serialDay != 0;
    bool showTime = parts->seconds != 0 || !showDate;
    if (dwFlags & VAR_TIMEVALUEONLY) {
        showDate = false;
        showTime = true;
    } else if (dwFlags & VAR_DATEVALUEONLY) {
        showDate = true;
        showTime = false;
    }
    const std::u16string text = FormatDate(*parts, showDate, showTime);
    *pbstrOut = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *pbstrOut != nullptr ? S_OK : E_OUTOFMEMORY;
}

INT WINAPI SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DOUBLE* pvtime) {
    if (platform::fault::Check("SystemTimeToVariantTime")) return FALSE;
    if (lpSystemTime == nullptr || pvtime == nullptr) return FALSE;
    const SYSTEMTIME& st = *lpSystemTime;
    const auto date = DateFromFields(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    if (!date) return FALSE;
    *pvtime = *date;
    return TRUE;
}

INT WINAPI VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime) {
    if (platform::fault::Check("VariantTimeToSystemTime")) return FALSE;
    if (lpSystemTime == nullptr) return FALSE;
    const auto parts = SplitDate(vtime);
    if (!parts) return FALSE;
    lpSystemTime->wYear = static_cast<WORD>(parts->year);
    lpSystemTime->wMonth = static_cast<WORD>(parts->month);
    lpSystemTime->wDayOfWeek = static_cast<WORD>(parts->dayOfWeek);
    lpSystemTime->wDay = static_cast<WORD>(parts->day);
    lpSystemTime->wHour = static_cast<WORD>(parts->seconds / 3600);
    lpSystemTime->wMinute = static_cast<WORD>(parts->seconds / 60 % 60);
    lpSystemTime->wSecond = static_cast<WORD>(parts->seconds % 60);
    lpSystemTime->wMilliseconds = 0;
    return TRUE;
}

}  // extern "C"
