#include "date_text.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace platform::forms {

double LinearDate(DATE date) {
    if (date >= 0) return date;
    const double day = std::trunc(date);
    return day - (date - day);
}

DATE DateFromLinear(double linear) {
    const double day = std::floor(linear);
    const double fraction = linear - day;
    return day >= 0 ? day + fraction : day - fraction;
}

double DayOf(DATE date) { return std::floor(LinearDate(date)); }

namespace {

struct DateParts {
    long long year;
    unsigned month, day, weekday;  // weekday 0 is Sunday
    unsigned hour, minute, second;
};

// Days since 30 December 1899 to the civil date (proleptic Gregorian), after H. Hinnant's
// civil_from_days.
DateParts SplitDate(DATE date) {
    double linear = LinearDate(date);
    double day = std::floor(linear);
    // Times are shown to the second, rounded as the automation conversions round them.
    auto seconds = static_cast<long long>(std::llround((linear - day) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        day += 1;
    }
    DateParts parts{};
    parts.hour = static_cast<unsigned>(seconds / 3600);
    parts.minute = static_cast<unsigned>(seconds / 60 % 60);
    parts.second = static_cast<unsigned>(seconds % 60);

    const long long z = static_cast<long long>(day) - 25569 + 719468;  // 25569: 1 January 1970
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    parts.day = doy - (153 * mp + 2) / 5 + 1;
    parts.month = mp < 10 ? mp + 3 : mp - 9;
    parts.year = static_cast<long long>(yoe) + era * 400 + (parts.month <= 2 ? 1 : 0);
    // 30 December 1899 was a Saturday.
    const long long weekday = (static_cast<long long>(day) + 6) % 7;
    parts.weekday = static_cast<unsigned>(weekday < 0 ? weekday + 7 : weekday);
    return parts;
}

constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Number(long long value, std::size_t minDigits) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (digits.size() < minDigits) digits.insert(0, minDigits - digits.size(), '0');
    return Ascii((value < 0 ? "-" : "") + digits);
}

}  // namespace

std::u16string FormatDate(DATE date, std::u16string_view pattern) {
    const DateParts p = SplitDate(date);
    const unsigned hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    std::u16string text;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char16_t c = pattern[i];
        if (c == u'\'') {
            const std::size_t end = pattern.find(u'\'', i + 1);
            text += pattern.substr(i + 1, end == std::u16string_view::npos ? std::u16string_view::npos : end - i - 1);
            i = end == std::u16string_view::npos ? pattern.size() : end + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) ++run;
        switch (c) {
        case u'd':
            text += run >= 4 ? Ascii(kWeekdays[p.weekday])
                    : run == 3 ? Ascii(std::string_view(kWeekdays[p.weekday]).substr(0, 3))
                               : Number(p.day, run);
            break;
        case u'M':
            text += run >= 4 ? Ascii(kMonths[p.month - 1])
                    : run == 3 ? Ascii(std::string_view(kMonths[p.month - 1]).substr(0, 3))
                               : Number(p.month, run);
            break;
        case u'y':
            text += run <= 2 ? Number(p.year % 100, run) : Number(p.year, run);
            break;
        case u'h':
            text += Number(hour12, std::min<std::size_t>(run, 2));
            break;
        case u'H':
            text += Number(p.hour, std::min<std::size_t>(run, 2));
            break;
        case u'm':
            text += Number(p.minute, std::min<std::size_t>(run, 2));
            break;
        case u's':
            text += Number(p.second, std::min<std::size_t>(run, 2));
            break;
        case u't':
            text += run == 1 ? (p.hour < 12 ? u"A" : u"P") : (p.hour < 12 ? u"AM" : u"PM");
            break;
        default:
            text.append(run, c);
            break;
        }
        i += run;
    }
    return text;
}

}  // namespace platform::forms
