#pragma once
// Automation dates as a date picker keeps and shows them. A DATE counts days from 30 December 1899; for
// a date before it the integer part counts back and the fraction still counts forward into the day (-1.25
// is 29 December 1899, 06:00), so dates compare through their linear form.
#include <string>
#include <string_view>

#include "wtypes.h"

namespace platform::forms {

// The date on a straight time line (days, fraction forward), and back.
double LinearDate(DATE date);
DATE DateFromLinear(double linear);
// The day a date falls on, on the linear time line.
double DayOf(DATE date);

// The date in an en-US pattern: d dd ddd dddd, M MM MMM MMMM, yy yyyy, h hh H HH, m mm, s ss, t tt, text
// between single quotes; other characters stand for themselves.
std::u16string FormatDate(DATE date, std::u16string_view pattern);

inline constexpr std::u16string_view kShortDatePattern = u"M/d/yyyy";
inline constexpr std::u16string_view kLongDatePattern = u"dddd, MMMM d, yyyy";
inline constexpr std::u16string_view kTimePattern = u"h:mm:ss tt";

}  // namespace platform::forms
