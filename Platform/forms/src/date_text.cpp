#include "date_text.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "oleauto.h"

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

// What a time shows: to the second, as the automation conversions round it. A date outside their range
// (which the pickers never hold) shows as 30 December 1899.
SYSTEMTIME SplitDate(DATE date) {
    SYSTEMTIME parts{};
    if (!VariantTimeToSystemTime(date, &parts)) VariantTimeToSystemTime(0.0, &parts);
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
    const SYSTEMTIME p = SplitDate(date);
    const unsigned hour12 = p.wHour % 12 == 0 ? 12 : p.wHour % 12;
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
            text += run >= 4 ? Ascii(kWeekdays[p.wDayOfWeek])
                    : run == 3 ? Ascii(std::string_view(kWeekdays[p.wDayOfWeek]).substr(0, 3))
                               : Number(p.wDay, run);
            break;
        case u'M':
            text += run >= 4 ? Ascii(kMonths[p.wMonth - 1])
                    : run == 3 ? Ascii(std::string_view(kMonths[p.wMonth - 1]).substr(0, 3))
                               : Number(p.wMonth, run);
            break;
        case u'y':
            text += run <= 2 ? Number(p.wYear % 100, run) : Number(p.wYear, run);
            break;
        case u'h':
            text += Number(hour12, std::min<std::size_t>(run, 2));
            break;
        case u'H':
            text += Number(p.wHour, std::min<std::size_t>(run, 2));
            break;
        case u'm':
            text += Number(p.wMinute, std::min<std::size_t>(run, 2));
            break;
        case u's':
            text += Number(p.wSecond, std::min<std::size_t>(run, 2));
            break;
        case u't':
            text += run == 1 ? (p.wHour < 12 ? u"A" : u"P") : (p.wHour < 12 ? u"AM" : u"PM");
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
