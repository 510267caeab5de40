#pragma once
// The sixteen properties of QlmUI: each a view of one child of the settings form (or of the stored mode),
// listed once, in the order in which the control loads and saves them, with the type a get gives, the
// DISPID hosts bind to and the value a new control holds.
#include <span>
#include <string_view>

#include "SettingsForm.h"
#include "oleauto.h"

namespace qlmcontrol {

enum class Property {
    UsernameValue,
    PwdValue,
    NotBeforeValue,
    NotAfterValue,
    ReadReceiptValue,
    ProxyIEValue,
    ProxyServerValue,
    ProxyPortValue,
    RememberMeValue,
    NotBeforeCheckValue,
    NotAfterCheckValue,
    Mode,
    ReferenceValue,
    TimeNotBeforeValue,
    TimeNotAfterValue,
    ShowPopUpValue,
};

struct PropertyInfo {
    Property id;
    std::u16string_view name;  // also the key in a property bag
    DISPID dispid;
    // What a get gives: VT_BSTR (text), VT_DATE (a picker's value), VT_BOOL, VT_I2 (a check box), VT_I4.
    VARTYPE type;
    // The value when the control is created: a number (dates as automation dates), or the text.
    double defaultNumber;
    std::u16string_view defaultText;
};

// In the order of loading and saving.
std::span<const PropertyInfo> Properties();
const PropertyInfo& InfoOf(Property id);

// The property's default as a VARIANT of its type; VT_EMPTY when memory runs out.
HRESULT DefaultOf(const PropertyInfo& info, VARIANT* value);
// Whether value (of the property's type) equals the default.
bool IsDefault(const PropertyInfo& info, const VARIANT& value);

// The child's value at this moment, as a VARIANT of the property's type.
HRESULT ReadProperty(const SettingsForm& form, Property id, VARIANT* value);
// Assigns value to the child (or the stored mode). It has the property's type already, except for a date
// property, whose picker converts whatever it is given. A refusal leaves the child as it was and returns
// the child's error, with its description in the error information.
HRESULT AssignProperty(SettingsForm& form, Property id, const VARIANT& value);

}  // namespace qlmcontrol
