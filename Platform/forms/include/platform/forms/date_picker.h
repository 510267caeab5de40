#pragma once
// A date and time picker: a date-and-time Value (an automation DATE) kept within [MinDate, MaxDate],
// shown in a short or long date, time, or custom format.
//
// Change is raised for a person's edits only: a value set by code raises nothing.
#include <string>
#include <string_view>

#include "platform/forms/control.h"
#include "platform/forms/event.h"
#include "oleauto.h"

namespace platform::forms {

enum class DateFormat : LONG { LongDate = 0, ShortDate = 1, Time = 2, Custom = 3 };

// The widest range a picker accepts: 1 January 1601 to 31 December 9999.
inline constexpr DATE kPickerMinDate = -109205.0;
inline constexpr DATE kPickerMaxDate = 2958465.0;

class DatePicker final : public Control {
public:
    DatePicker(CreationKey key, std::u16string name);

    DateFormat Format() const { return format_; }
    void SetFormat(DateFormat format) { format_ = format; }
    // The pattern of the custom format: d dd ddd dddd, M MM MMM MMMM, yy yyyy, h hh H HH, m mm, s ss,
    // t tt, and text between single quotes; other characters stand for themselves.
    const std::u16string& CustomFormat() const { return customFormat_; }
    void SetCustomFormat(std::u16string_view format) { customFormat_ = format; }

    // Value's day must lie within [MinDate's day, MaxDate's day]; another is refused with "Invalid
    // property value" (0x800A017C) and the value unchanged. Raises nothing.
    DATE Value() const { return value_; }
    HRESULT SetValue(DATE value);
    // A value as a host hands it over: converted to a date as VariantChangeType does (a date; a number as
    // a day count; text read as an en-US date, "7/18/2008", "2008-07-18", "July 18, 2008" ...), then set as
    // above. Refused, with the value unchanged:
    //   text or another value that is no date        0x800A000D "Type mismatch"
    //   Null                                          0x800A005E "Invalid use of Null" (the picker has
    //                                                 no check box, so it never holds "no date")
    //   a number past the dates a DATE can hold, or a date outside [MinDate, MaxDate]
    //                                                 0x800A017C "Invalid property value"
    HRESULT SetValue(const VARIANT& value);

    // The bounds are days within [1 January 1601, 31 December 9999] with MinDate <= MaxDate; others are
    // refused with "Invalid property value". A value outside new bounds moves to the nearest bound.
    DATE MinDate() const { return minDate_; }
    DATE MaxDate() const { return maxDate_; }
    HRESULT SetMinDate(DATE minDate);
    HRESULT SetMaxDate(DATE maxDate);

    // The value as the picker shows it in its format (en-US).
    std::u16string Text() const;

    // A person edits the date or time in the picker; the picker keeps the day within its bounds (a value
    // past a bound stops at the bound). Raises Change when the value changed.
    bool EditValue(DATE value);

    Event<> Change;

private:
    DateFormat format_ = DateFormat::ShortDate;
    std::u16string customFormat_;
    DATE value_;
    DATE minDate_ = kPickerMinDate;
    DATE maxDate_ = kPickerMaxDate;
};

}  // namespace platform::forms
