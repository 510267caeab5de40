// QlmUI's properties as a host uses them, through the vtable and through IDispatch::Invoke by DISPID and by
// name: get after put, the change notification, refused values with their descriptions, and what a put
// sets off in the other children.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "control_host.h"

namespace {

using namespace controltest;

// ---- One property, three ways in ----------------------------------------------------------------

struct Accessors {
    const char* name;
    DISPID dispid;
    HRESULT (*put)(_QlmUI*, const VARIANT&);  // the value has the property's type
    HRESULT (*get)(_QlmUI*, VARIANT*);
};

#define QLM_TEXT(Name)                                                                                 \
    Accessors {                                                                                        \
        #Name, DISPID_QlmUI_##Name, [](_QlmUI* c, const VARIANT& v) { return c->put_##Name(v.bstrVal); }, \
            [](_QlmUI* c, VARIANT* out) {                                                              \
                out->vt = VT_BSTR;                                                                     \
                return c->get_##Name(&out->bstrVal);                                                   \
            }                                                                                          \
    }
#define QLM_VARIANT(Name)                                                                                  \
    Accessors {                                                                                            \
        #Name, DISPID_QlmUI_##Name, [](_QlmUI* c, const VARIANT& v) { return c->put_##Name(v); }, \
            [](_QlmUI* c, VARIANT* out) { return c->get_##Name(out); }                                   \
    }
#define QLM_NUMBER(Name, vartype, field)                                                                \
    Accessors {                                                                                         \
        #Name, DISPID_QlmUI_##Name, [](_QlmUI* c, const VARIANT& v) { return c->put_##Name(v.field); }, \
            [](_QlmUI* c, VARIANT* out) {                                                               \
                out->vt = vartype;                                                                      \
                return c->get_##Name(&out->field);                                                      \
            }                                                                                           \
    }

const Accessors kUsername = QLM_TEXT(UsernameValue);
const Accessors kPwd = QLM_TEXT(PwdValue);
const Accessors kNotBefore = QLM_VARIANT(NotBeforeValue);
const Accessors kNotAfter = QLM_VARIANT(NotAfterValue);
const Accessors kProxyIE = QLM_NUMBER(ProxyIEValue, VT_BOOL, boolVal);
const Accessors kProxyServer = QLM_TEXT(ProxyServerValue);
const Accessors kProxyPort = QLM_TEXT(ProxyPortValue);
const Accessors kRememberMe = QLM_NUMBER(RememberMeValue, VT_I2, iVal);
const Accessors kNotBeforeCheck = QLM_NUMBER(NotBeforeCheckValue, VT_I2, iVal);
const Accessors kNotAfterCheck = QLM_NUMBER(NotAfterCheckValue, VT_I2, iVal);
const Accessors kReadReceipt = QLM_NUMBER(ReadReceiptValue, VT_I2, iVal);
const Accessors kMode = QLM_NUMBER(Mode, VT_I4, lVal);
const Accessors kReference = QLM_TEXT(ReferenceValue);
const Accessors kTimeNotBefore = QLM_VARIANT(TimeNotBeforeValue);
const Accessors kTimeNotAfter = QLM_VARIANT(TimeNotAfterValue);
const Accessors kShowPopUp = QLM_NUMBER(ShowPopUpValue, VT_I2, iVal);

enum class Route { Vtable, InvokeByDispid, InvokeByName };

std::string RouteName(Route route) {
    switch (route) {
    case Route::Vtable: return "vtable";
    case Route::InvokeByDispid: return "dispid";
    case Route::InvokeByName: return "name";
    }
    return "?";
}

// A value as a test table writes it.
struct Value {
    VARTYPE vt;
    double number = 0;
    std::u16string text;

    UniqueVariant Make() const {
        switch (vt) {
        case VT_BSTR: return UniqueVariant::FromString(text);
        case VT_DATE: return UniqueVariant::FromDate(number);
        case VT_BOOL: return UniqueVariant::FromBool(number != 0);
        case VT_I2: return UniqueVariant::FromShort(static_cast<SHORT>(number));
        case VT_I4: return UniqueVariant::FromLong(static_cast<LONG>(number));
        case VT_NULL: return UniqueVariant::Null();
        default: return UniqueVariant();
        }
    }
};
Value Text(std::u16string text) { return {VT_BSTR, 0, std::move(text)}; }
Value Date(double date) { return {VT_DATE, date, {}}; }
Value Bool(bool value) { return {VT_BOOL, value ? -1.0 : 0.0, {}}; }
Value Short(SHORT value) { return {VT_I2, static_cast<double>(value), {}}; }
Value Long(LONG value) { return {VT_I4, static_cast<double>(value), {}}; }
Value Null() { return {VT_NULL, 0, {}}; }

std::string Shown(const VARIANT& v) {
    switch (v.vt) {
    case VT_BSTR: return "\"" + Utf8(v.bstrVal) + "\"";
    case VT_DATE: return "date " + std::to_string(v.date);
    case VT_BOOL: return v.boolVal ? "true" : "false";
    case VT_I2: return "i2 " + std::to_string(v.iVal);
    case VT_I4: return "i4 " + std::to_string(v.lVal);
    default: return "vt " + std::to_string(v.vt);
    }
}

class PropertyRoutes : public ControlHost {
protected:
    HRESULT Put(Route route, const Accessors& a, const VARIANT& value, EXCEPINFO* excep) {
        switch (route) {
        case Route::Vtable: return a.put(control.Get(), value);
        case Route::InvokeByDispid: return InvokePut(a.dispid, value, excep);
        case Route::InvokeByName: return InvokePut(IdOf(Wide(a.name)), value, excep);
        }
        return E_UNEXPECTED;
    }
    std::string Get(Route route, const Accessors& a) {
        UniqueVariant value;
        HRESULT hr = E_UNEXPECTED;
        switch (route) {
        case Route::Vtable: hr = a.get(control.Get(), value.Put()); break;
        case Route::InvokeByDispid: hr = InvokeGet(a.dispid, value.Put()); break;
        case Route::InvokeByName: hr = InvokeGet(IdOf(Wide(a.name)), value.Put()); break;
        }
        EXPECT_EQ(hr, S_OK);
        return Shown(*value.Get());
    }
    static std::u16string Wide(const char* ascii) { return std::u16string(ascii, ascii + std::strlen(ascii)); }
};

struct PutCase {
    const char* what;
    const Accessors* property;
    Value put;
    Value got;
};

void PrintTo(const PutCase& c, std::ostream* os) { *os << c.what; }

class PropertyPut : public PropertyRoutes, public testing::WithParamInterface<std::tuple<PutCase, Route>> {};

TEST_P(PropertyPut, GetGivesWhatWasPutAndEveryPutIsNotified) {
    const auto& [c, route] = GetParam();
    Advise();
    const UniqueVariant value = c.put.Make();

    ASSERT_EQ(Put(route, *c.property, *value.Get(), nullptr), S_OK);
    EXPECT_EQ(Get(route, *c.property), Shown(*c.got.Make().Get()));
    EXPECT_EQ(sink->changed, std::vector<DISPID>{c.property->dispid});

    // The same value again is a put like any other.
    ASSERT_EQ(Put(route, *c.property, *value.Get(), nullptr), S_OK);
    EXPECT_EQ(sink->changed, (std::vector<DISPID>{c.property->dispid, c.property->dispid}));
}

const std::u16string k35 = u"12345678901234567890123456789012345";

INSTANTIATE_TEST_SUITE_P(
    Cases, PropertyPut,
    testing::Combine(
        testing::Values(
            PutCase{"UsernameValue", &kUsername, Text(u"ann@example.com"), Text(u"ann@example.com")},
            PutCase{"PwdValue", &kPwd, Text(u"s3cret"), Text(u"s3cret")},
            PutCase{"NotBeforeValue", &kNotBefore, Date(39650.5), Date(39650.5)},
            PutCase{"NotBeforeValue_text_the_picker_converts", &kNotBefore, Text(u"2008-07-20"), Date(39649.0)},
            PutCase{"NotAfterValue", &kNotAfter, Date(40000.0), Date(40000.0)},
            PutCase{"NotAfterValue_a_number_of_days", &kNotAfter, Long(39000), Date(39000.0)},
            PutCase{"ProxyIEValue_false", &kProxyIE, Bool(false), Bool(false)},
            PutCase{"ProxyIEValue_true", &kProxyIE, Bool(true), Bool(true)},
            PutCase{"ProxyServerValue", &kProxyServer, Text(u"proxy.example.com"), Text(u"proxy.example.com")},
            PutCase{"ProxyPortValue_is_not_checked", &kProxyPort, Text(u"80a"), Text(u"80a")},
            PutCase{"RememberMeValue", &kRememberMe, Short(1), Short(1)},
            PutCase{"RememberMeValue_greyed", &kRememberMe, Short(2), Short(2)},
            PutCase{"NotBeforeCheckValue", &kNotBeforeCheck, Short(1), Short(1)},
            PutCase{"NotAfterCheckValue", &kNotAfterCheck, Short(1), Short(1)},
            PutCase{"ReadReceiptValue", &kReadReceipt, Short(1), Short(1)},
            PutCase{"Mode_one", &kMode, Long(1), Long(1)},
            PutCase{"Mode_any_32_bit_value", &kMode, Long(-2147483647 - 1), Long(-2147483647 - 1)},
            PutCase{"ReferenceValue", &kReference, Text(u"project X"), Text(u"project X")},
            PutCase{"ReferenceValue_at_most_30_characters", &kReference, Text(k35), Text(k35.substr(0, 30))},
            PutCase{"TimeNotBeforeValue", &kTimeNotBefore, Date(39750.75), Date(39750.75)},
            PutCase{"TimeNotAfterValue", &kTimeNotAfter, Date(39751.25), Date(39751.25)},
            PutCase{"ShowPopUpValue", &kShowPopUp, Short(0), Short(0)}),
        testing::Values(Route::Vtable, Route::InvokeByDispid, Route::InvokeByName)),
    [](const auto& info) { return std::string(std::get<0>(info.param).what) + "_" + RouteName(std::get<1>(info.param)); });

struct RefusedCase {
    const char* what;
    const Accessors* property;
    Value put;
    HRESULT error;
    const char* description;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.what; }

class PropertyRefused : public PropertyRoutes, public testing::WithParamInterface<std::tuple<RefusedCase, Route>> {};

TEST_P(PropertyRefused, FailsWithTheChildsErrorAndChangesAndNotifiesNothing) {
    const auto& [c, route] = GetParam();
    Advise();
    const std::string before = Get(route, *c.property);
    ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);

    EXCEPINFO excep{};
    const HRESULT hr = Put(route, *c.property, *c.put.Make().Get(), &excep);
    if (route == Route::Vtable) {
        EXPECT_EQ(hr, c.error);
        EXPECT_EQ(TakeErrorReport(), (ErrorReport{c.description, "Quillmarsh"}));
    } else {
        // Invoke hands the error information over in EXCEPINFO.
        EXPECT_EQ(hr, DISP_E_EXCEPTION);
        EXPECT_EQ(excep.scode, c.error);
        EXPECT_EQ(Utf8(excep.bstrDescription), c.description);
        EXPECT_EQ(Utf8(excep.bstrSource), "Quillmarsh");
    }
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    EXPECT_EQ(Get(route, *c.property), before);
    EXPECT_TRUE(sink->changed.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PropertyRefused,
    testing::Combine(
        testing::Values(
            RefusedCase{"RememberMeValue_5", &kRememberMe, Short(5), CTL_E_INVALIDPROPERTYVALUE,
                        "Invalid property value"},
            RefusedCase{"NotBeforeCheckValue_minus_1", &kNotBeforeCheck, Short(-1), CTL_E_INVALIDPROPERTYVALUE,
                        "Invalid property value"},
            RefusedCase{"NotBeforeValue_text_that_is_no_date", &kNotBefore, Text(u"not a date"), CTL_E_TYPEMISMATCH,
                        "Type mismatch"},
            RefusedCase{"NotAfterValue_before_1601", &kNotAfter, Date(-109206.0), CTL_E_INVALIDPROPERTYVALUE,
                        "Invalid property value"},
            RefusedCase{"TimeNotAfterValue_after_9999", &kTimeNotAfter, Date(2958466.0), CTL_E_INVALIDPROPERTYVALUE,
                        "Invalid property value"},
            RefusedCase{"TimeNotBeforeValue_null", &kTimeNotBefore, Null(), CTL_E_INVALIDUSEOFNULL,
                        "Invalid use of Null"}),
        testing::Values(Route::Vtable, Route::InvokeByDispid, Route::InvokeByName)),
    [](const auto& info) { return std::string(std::get<0>(info.param).what) + "_" + RouteName(std::get<1>(info.param)); });

// ---- What a put sets off ------------------------------------------------------------------------

class PutEffects : public ControlHost {
protected:
    void ShowPage(int page) { ASSERT_EQ(Perform(u"SSTab1", u"clicktab", std::u16string(1, u'0' + page)), S_OK); }
    VARIANT_BOOL ProxyIE() {
        VARIANT_BOOL value = 1;
        EXPECT_EQ(control->get_ProxyIEValue(&value), S_OK);
        return value;
    }
};

TEST_F(PutEffects, ProxyIEFalseLeavesNeitherOptionSelected) {
    ShowPage(2);
    ASSERT_EQ(control->put_ProxyIEValue(VARIANT_FALSE), S_OK);
    EXPECT_EQ(ProxyIE(), VARIANT_FALSE);
    EXPECT_EQ(LineOf("OptionIE"), "option OptionIE ( ) \"Use Internet Explorer Setting (Recommended)\"");
    EXPECT_EQ(LineOf("OptionCustom"), "option OptionCustom ( ) \"Custom Setting\"");
    ASSERT_EQ(control->put_ProxyIEValue(VARIANT_TRUE), S_OK);
    EXPECT_EQ(LineOf("OptionIE"), "option OptionIE (o) \"Use Internet Explorer Setting (Recommended)\"");
}

TEST_F(PutEffects, ADifferentServerTextSelectsCustomAlsoWhenEmptyAndTheSameTextDoesNot) {
    ShowPage(2);
    ASSERT_EQ(control->put_ProxyServerValue(Bstr(u"proxy.example.com").Get()), S_OK);
    EXPECT_EQ(ProxyIE(), VARIANT_FALSE);
    EXPECT_EQ(LineOf("OptionCustom"), "option OptionCustom (o) \"Custom Setting\"");

    ASSERT_EQ(control->put_ProxyIEValue(VARIANT_TRUE), S_OK);
    ASSERT_EQ(control->put_ProxyServerValue(Bstr(u"proxy.example.com").Get()), S_OK);
    EXPECT_EQ(ProxyIE(), VARIANT_TRUE) << "the same text is no change";

    ASSERT_EQ(control->put_ProxyServerValue(Bstr(u"").Get()), S_OK);
    EXPECT_EQ(ProxyIE(), VARIANT_FALSE);
    EXPECT_EQ(LineOf("OptionCustom"), "option OptionCustom (o) \"Custom Setting\"");

    ASSERT_EQ(control->put_ProxyIEValue(VARIANT_TRUE), S_OK);
    ASSERT_EQ(control->put_ProxyPortValue(Bstr(u"8080").Get()), S_OK);
    EXPECT_EQ(ProxyIE(), VARIANT_TRUE) << "a port alone chooses nothing";
}

TEST_F(PutEffects, CheckBoxPutsEnableAndDisableTheirPickersAndTheNote) {
    ShowPage(1);
    ASSERT_EQ(control->put_NotAfterCheckValue(1), S_OK);
    ASSERT_EQ(control->put_NotAfterCheckValue(0), S_OK);
    EXPECT_EQ(LineOf("DTPickerNotAfter"), "datepicker DTPickerNotAfter 7/18/2008 disabled");
    EXPECT_EQ(LineOf("TimePickerNotAfter"), "datepicker TimePickerNotAfter 12:00:00 AM disabled");
    EXPECT_EQ(LineOf("DTPickerNotBefore"), "datepicker DTPickerNotBefore 7/18/2008");
    ASSERT_EQ(control->put_NotAfterCheckValue(1), S_OK);
    EXPECT_EQ(LineOf("DTPickerNotAfter"), "datepicker DTPickerNotAfter 7/18/2008");

    ASSERT_EQ(control->put_NotBeforeCheckValue(1), S_OK);
    ASSERT_EQ(control->put_NotBeforeCheckValue(2), S_OK);
    EXPECT_EQ(LineOf("TimePickerNotBefore"), "datepicker TimePickerNotBefore 12:00:00 AM disabled");

    ASSERT_EQ(control->put_ReferenceValue(Bstr(u"project X").Get()), S_OK);
    ASSERT_EQ(control->put_ReadReceiptValue(1), S_OK);
    EXPECT_EQ(LineOf("Reference"), "textbox Reference \"project X\"");
    EXPECT_EQ(LineOf("ReferenceLabel"), "label ReferenceLabel \"Reference (optional)\"");
    ASSERT_EQ(control->put_ReadReceiptValue(0), S_OK);
    EXPECT_EQ(LineOf("Reference"), "textbox Reference \"project X\" disabled");
}

TEST_F(PutEffects, AGetRightAfterAPersonTypedGivesTheTypedText) {
    ASSERT_EQ(Perform(u"UserCombo", u"type", u"ann@example.com"), S_OK);
    ASSERT_EQ(Perform(u"Password", u"type", u"pw"), S_OK);
    UniqueBstr text;
    ASSERT_EQ(control->get_UsernameValue(text.Put()), S_OK);
    EXPECT_EQ(Utf8(text.Get()), "ann@example.com");
    ASSERT_EQ(control->get_PwdValue(text.Put()), S_OK);
    EXPECT_EQ(Utf8(text.Get()), "pw");
    ShowPage(2);
    ASSERT_EQ(Perform(u"ProxyPort", u"type", u"3128"), S_OK);
    ASSERT_EQ(control->get_ProxyPortValue(text.Put()), S_OK);
    EXPECT_EQ(Utf8(text.Get()), "3128");
    ASSERT_EQ(Perform(u"OptionCustom", u"click"), S_OK);
    EXPECT_EQ(ProxyIE(), VARIANT_FALSE);
}

TEST_F(PutEffects, UsernamePutChangesTheTextOnlyNotTheChoiceOrThePassword) {
    BSTR user = Bstr(u"ann@example.com").Release();
    VARIANT_BOOL remembered = VARIANT_TRUE;
    UniqueVariant result;
    ASSERT_EQ(control->AddUsername(&user, &remembered, result.Put()), S_OK);
    SysFreeString(user);
    ASSERT_EQ(Perform(u"UserCombo", u"choose", u"0"), S_OK);
    ASSERT_EQ(control->put_UsernameValue(Bstr(u"bob@example.com").Get()), S_OK);
    EXPECT_EQ(LineOf("UserCombo"), "combobox UserCombo \"bob@example.com\" >\"ann@example.com\" focus");
    // The placeholder, shown as one password character for each of its 31 characters.
    EXPECT_EQ(LineOf("Password"), "textbox Password \"" + std::string(31, '*') + "\"");
}

TEST_F(PutEffects, ModeTakesEffectAtTheNextPaintOnly) {
    ASSERT_EQ(control->put_Mode(1), S_OK);
    EXPECT_EQ(LineOf("AddButton"), "button AddButton \"Add\"");
    ComPtr<IViewObject> view;
    ASSERT_EQ(control.As(&view), S_OK);
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(LineOf("AddButton"), "button AddButton \"Add\" disabled");
    ASSERT_EQ(control->put_Mode(0), S_OK);
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(LineOf("AddButton"), "button AddButton \"Add\" disabled");
}

TEST_F(PutEffects, AnEventSinkHearsNothing) {
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control.As(&container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID___QlmUI, point.GetAddressOf()), S_OK);
    ComPtr<EventSink> events = platform::com::Make<EventSink>();
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(events.Get()), &cookie), S_OK);

    ASSERT_EQ(control->put_RememberMeValue(1), S_OK);
    ASSERT_EQ(Perform(u"UserCombo", u"type", u"x"), S_OK);
    ASSERT_EQ(control->put_Mode(1), S_OK);
    EXPECT_EQ(events->calls, 0);
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

}  // namespace
