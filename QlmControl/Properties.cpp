#include "Properties.h"

#include <array>

#include "QlmUIInterface.h"

namespace qlmcontrol {

namespace {

using platform::forms::CheckBox;
using platform::forms::DatePicker;
using platform::forms::TextBox;

constexpr std::array<PropertyInfo, 16> kProperties{{
    {Property::UsernameValue, u"UsernameValue", DISPID_QlmUI_UsernameValue, VT_BSTR, 0, u""},
    {Property::PwdValue, u"PwdValue", DISPID_QlmUI_PwdValue, VT_BSTR, 0, u""},
    {Property::NotBeforeValue, u"NotBeforeValue", DISPID_QlmUI_NotBeforeValue, VT_DATE, 39647.0, {}},
    {Property::NotAfterValue, u"NotAfterValue", DISPID_QlmUI_NotAfterValue, VT_DATE, 39647.0, {}},
    {Property::ReadReceiptValue, u"ReadReceiptValue", DISPID_QlmUI_ReadReceiptValue, VT_I2, 0, {}},
    {Property::ProxyIEValue, u"ProxyIEValue", DISPID_QlmUI_ProxyIEValue, VT_BOOL, 1, {}},
    {Property::ProxyServerValue, u"ProxyServerValue", DISPID_QlmUI_ProxyServerValue, VT_BSTR, 0, u""},
    {Property::ProxyPortValue, u"ProxyPortValue", DISPID_QlmUI_ProxyPortValue, VT_BSTR, 0, u""},
    {Property::RememberMeValue, u"RememberMeValue", DISPID_QlmUI_RememberMeValue, VT_I2, 0, {}},
    {Property::NotBeforeCheckValue, u"NotBeforeCheckValue", DISPID_QlmUI_NotBeforeCheckValue, VT_I2, 0, {}},
    {Property::NotAfterCheckValue, u"NotAfterCheckValue", DISPID_QlmUI_NotAfterCheckValue, VT_I2, 0, {}},
    {Property::Mode, u"Mode", DISPID_QlmUI_Mode, VT_I4, 0, {}},
    {Property::ReferenceValue, u"ReferenceValue", DISPID_QlmUI_ReferenceValue, VT_BSTR, 0, u""},
    {Property::TimeNotBeforeValue, u"TimeNotBeforeValue", DISPID_QlmUI_TimeNotBeforeValue, VT_DATE, 39750.0, {}},
    {Property::TimeNotAfterValue, u"TimeNotAfterValue", DISPID_QlmUI_TimeNotAfterValue, VT_DATE, 39750.0, {}},
    {Property::ShowPopUpValue, u"ShowPopUpValue", DISPID_QlmUI_ShowPopUpValue, VT_I2, 1, {}},
}};

constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < kProperties.size(); ++i)
        if (static_cast<std::size_t>(kProperties[i].id) != i) return false;
    return true;
}
static_assert(InEnumOrder(), "the table is indexed by Property");

std::u16string_view TextOf(const VARIANT& value) {
    return value.bstrVal != nullptr ? std::u16string_view(value.bstrVal, SysStringLen(value.bstrVal))
                                    : std::u16string_view();
}

HRESULT Text(std::u16string_view text, VARIANT* value) {
    value->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (value->bstrVal == nullptr) return E_OUTOFMEMORY;
    value->vt = VT_BSTR;
    return S_OK;
}

HRESULT Short(SHORT number, VARIANT* value) {
    value->vt = VT_I2;
    value->iVal = number;
    return S_OK;
}

HRESULT Date(DATE date, VARIANT* value) {
    value->vt = VT_DATE;
    value->date = date;
    return S_OK;
}

// The children behind the properties of each kind. (The form holds them by reference: a const form still
// gives the children to assign.)
TextBox* TextBoxOf(const SettingsForm& form, Property id) {
    switch (id) {
    case Property::PwdValue: return &form.Password;
    case Property::ProxyServerValue: return &form.ProxyServer;
    case Property::ProxyPortValue: return &form.ProxyPort;
    case Property::ReferenceValue: return &form.Reference;
    default: return nullptr;
    }
}

CheckBox* CheckBoxOf(const SettingsForm& form, Property id) {
    switch (id) {
    case Property::ReadReceiptValue: return &form.RRCheck;
    case Property::RememberMeValue: return &form.RMCheck;
    case Property::NotBeforeCheckValue: return &form.BeforeCheck;
    case Property::NotAfterCheckValue: return &form.AfterCheck;
    case Property::ShowPopUpValue: return &form.CheckShowPopUp;
    default: return nullptr;
    }
}

DatePicker* PickerOf(const SettingsForm& form, Property id) {
    switch (id) {
    case Property::NotBeforeValue: return &form.DTPickerNotBefore;
    case Property::NotAfterValue: return &form.DTPickerNotAfter;
    case Property::TimeNotBeforeValue: return &form.TimePickerNotBefore;
    case Property::TimeNotAfterValue: return &form.TimePickerNotAfter;
    default: return nullptr;
    }
}

}  // namespace

std::span<const PropertyInfo> Properties() { return kProperties; }

const PropertyInfo& InfoOf(Property id) { return kProperties[static_cast<std::size_t>(id)]; }

HRESULT DefaultOf(const PropertyInfo& info, VARIANT* value) {
    VariantInit(value);
    switch (info.type) {
    case VT_BSTR: return Text(info.defaultText, value);
    case VT_DATE: return Date(info.defaultNumber, value);
    case VT_BOOL:
        value->vt = VT_BOOL;
        value->boolVal = info.defaultNumber != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case VT_I2: return Short(static_cast<SHORT>(info.defaultNumber), value);
    default:
        value->vt = VT_I4;
        value->lVal = static_cast<LONG>(info.defaultNumber);
        return S_OK;
    }
}

bool IsDefault(const PropertyInfo& info, const VARIANT& value) {
    if (value.vt != info.type) return false;
    switch (info.type) {
    case VT_BSTR: return TextOf(value) == info.defaultText;
    case VT_DATE: return value.date == info.defaultNumber;
    case VT_BOOL: return (value.boolVal != VARIANT_FALSE) == (info.defaultNumber != 0);
    case VT_I2: return value.iVal == static_cast<SHORT>(info.defaultNumber);
    default: return value.lVal == static_cast<LONG>(info.defaultNumber);
    }
}

HRESULT ReadProperty(const SettingsForm& form, Property id, VARIANT* value) {
    if (value == nullptr) return E_POINTER;
    VariantInit(value);
    if (id == Property::UsernameValue) return Text(form.UserCombo.Text(), value);
    if (id == Property::Mode) {
        value->vt = VT_I4;
        value->lVal = form.Mode();
        return S_OK;
    }
    if (id == Property::ProxyIEValue) {
        value->vt = VT_BOOL;
        value->boolVal = form.OptionIE.Value() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    if (const TextBox* box = TextBoxOf(form, id)) return Text(box->Text(), value);
    if (const CheckBox* box = CheckBoxOf(form, id)) return Short(box->Value(), value);
    if (const DatePicker* picker = PickerOf(form, id)) return Date(picker->Value(), value);
    return E_INVALIDARG;
}

HRESULT AssignProperty(SettingsForm& form, Property id, const VARIANT& value) {
    if (DatePicker* picker = PickerOf(form, id)) return picker->SetValue(value);
    if (value.vt != InfoOf(id).type) return E_INVALIDARG;
    switch (id) {
    case Property::UsernameValue:
        // The text only: the selected item and the password box stay as they are.
        form.UserCombo.SetText(TextOf(value));
        return S_OK;
    case Property::Mode:
        form.SetMode(value.lVal);
        return S_OK;
    case Property::ProxyIEValue:
        // True selects OptionIE and so deselects OptionCustom; false only deselects OptionIE.
        form.OptionIE.SetValue(value.boolVal != VARIANT_FALSE);
        return S_OK;
    default: break;
    }
    if (TextBox* box = TextBoxOf(form, id)) {
        box->SetText(TextOf(value));
        return S_OK;
    }
    if (CheckBox* box = CheckBoxOf(form, id)) return box->SetValue(value.iVal);
    return E_INVALIDARG;
}

}  // namespace qlmcontrol
