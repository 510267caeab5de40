#include "platform/forms/date_picker.h"

#include <cmath>
#include <ctime>

#include "control_errors.h"
#include "date_text.h"
#include "platform/error_info.h"
#include "platform/variant.h"

namespace platform::forms {

namespace {

constexpr LCID kEnglishUnitedStates = 0x0409;

// Now, in local time, as the picker starts out.
DATE LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const double seconds = static_cast<double>(now) + static_cast<double>(local.tm_gmtoff);
    return std::floor(seconds) / 86400.0 + 25569.0;  // 25569: 1 January 1970
}

bool WithinDays(DATE date, DATE first, DATE last) {
    return !std::isnan(date) && DayOf(date) >= DayOf(first) && DayOf(date) <= DayOf(last);
}

}  // namespace

DatePicker::DatePicker(CreationKey key, std::u16string name)
    : Control(key, ControlKind::DatePicker, std::move(name)), value_(LocalNow()) {
    SetBackColor(kColorWindowBackground);
}

HRESULT DatePicker::SetValue(DATE value) {
    if (!WithinDays(value, minDate_, maxDate_)) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    value_ = value;
    return S_OK;
}

HRESULT DatePicker::SetValue(const VARIANT& value) {
    platform::com::UniqueVariant date;
    const HRESULT hr = VariantChangeTypeEx(date.Put(), &value, kEnglishUnitedStates, 0, VT_DATE);
    // A number too large or too small for a date names a day outside the picker's range.
    if (hr == DISP_E_OVERFLOW) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    if (FAILED(hr)) return Refuse(platform::com::ControlErrorFromConversion(hr, &value));
    return SetValue(date->date);
}

HRESULT DatePicker::SetMinDate(DATE minDate) {
    if (!WithinDays(minDate, kPickerMinDate, maxDate_)) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    minDate_ = minDate;
    if (DayOf(value_) < DayOf(minDate_)) value_ = minDate_;
    return S_OK;
}

HRESULT DatePicker::SetMaxDate(DATE maxDate) {
    if (!WithinDays(maxDate, minDate_, kPickerMaxDate)) return Refuse(CTL_E_INVALIDPROPERTYVALUE);
    maxDate_ = maxDate;
    if (DayOf(value_) > DayOf(maxDate_)) value_ = maxDate_;
    return S_OK;
}

std::u16string DatePicker::Text() const {
    switch (format_) {
    case DateFormat::LongDate:
        return FormatDate(value_, kLongDatePattern);
    case DateFormat::Time:
        return FormatDate(value_, kTimePattern);
    case DateFormat::Custom:
        return FormatDate(value_, customFormat_);
    case DateFormat::ShortDate:
        break;
    }
    return FormatDate(value_, kShortDatePattern);
}

bool DatePicker::EditValue(DATE value) {
    if (!Reachable()) return false;
    TakeFocusFromPerson();
    if (std::isnan(value)) return true;
    if (DayOf(value) < DayOf(minDate_)) value = minDate_;
    if (DayOf(value) > DayOf(maxDate_)) value = maxDate_;
    if (value == value_) return true;
    value_ = value;
    Change.Raise();
    return true;
}

}  // namespace platform::forms
