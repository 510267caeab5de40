// QlmUI's property bag: initialising as new, saving only what differs from a new control, a round trip of
// all sixteen values, the panels' rules during a load, conversions, and a load or save that fails at a key.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "control_host.h"

namespace {

using namespace controltest;

// An in-memory bag: named values, and the names in the order they were asked for or written. A name it
// does not hold is E_INVALIDARG, as IPropertyBag::Read documents.
class MemoryBag final : public platform::com::Implements<MemoryBag, IPropertyBag> {
public:
    STDMETHODIMP Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override {
        const std::string name = Utf8(std::u16string_view(pszPropName));
        reads.push_back(name);
        if (name == failingName) return failure;
        const auto found = values.find(name);
        if (found == values.end()) return E_INVALIDARG;
        return VariantCopy(pVar, found->second.Get());
    }
    STDMETHODIMP Write(LPCOLESTR pszPropName, VARIANT* pVar) override {
        const std::string name = Utf8(std::u16string_view(pszPropName));
        if (name == failingName) return failure;
        writes.push_back(name);
        UniqueVariant copy;
        const HRESULT hr = VariantCopy(copy.Put(), pVar);
        values[name] = std::move(copy);
        return hr;
    }

    void Set(const std::string& name, UniqueVariant value) { values[name] = std::move(value); }
    const VARIANT& At(const std::string& name) { return *values.at(name).Get(); }

    std::map<std::string, UniqueVariant> values;
    std::vector<std::string> reads;
    std::vector<std::string> writes;
    std::string failingName;
    HRESULT failure = S_OK;
};

class ErrorLog final : public platform::com::Implements<ErrorLog, IErrorLog> {
public:
    STDMETHODIMP AddError(LPCOLESTR pszPropName, EXCEPINFO* pExcepInfo) override {
        entries.push_back(Utf8(std::u16string_view(pszPropName)) + ": " + std::to_string(pExcepInfo->scode) + " " +
                          Utf8(pExcepInfo->bstrDescription));
        return S_OK;
    }
    std::vector<std::string> entries;
};

const std::vector<std::string> kKeyOrder = {
    "UsernameValue",    "PwdValue",        "NotBeforeValue",      "NotAfterValue",      "ReadReceiptValue",
    "ProxyIEValue",     "ProxyServerValue", "ProxyPortValue",     "RememberMeValue",    "NotBeforeCheckValue",
    "NotAfterCheckValue", "Mode",          "ReferenceValue",      "TimeNotBeforeValue", "TimeNotAfterValue",
    "ShowPopUpValue"};

// A value for every key, each different from what a new control holds, in the order of the keys.
using MakeValue = UniqueVariant (*)();
const std::vector<std::pair<std::string, MakeValue>> kOtherThanNew = {
    {"UsernameValue", [] { return UniqueVariant::FromString(u"ann@example.com"); }},
    {"PwdValue", [] { return UniqueVariant::FromString(u"QLMUI_PlaceholderSecretMarkerAb"); }},
    {"NotBeforeValue", [] { return UniqueVariant::FromDate(39640.0); }},
    {"NotAfterValue", [] { return UniqueVariant::FromDate(39700.0); }},
    {"ReadReceiptValue", [] { return UniqueVariant::FromShort(1); }},
    {"ProxyIEValue", [] { return UniqueVariant::FromBool(false); }},
    {"ProxyServerValue", [] { return UniqueVariant::FromString(u"proxy.example.com"); }},
    {"ProxyPortValue", [] { return UniqueVariant::FromString(u"3128"); }},
    {"RememberMeValue", [] { return UniqueVariant::FromShort(1); }},
    {"NotBeforeCheckValue", [] { return UniqueVariant::FromShort(1); }},
    {"NotAfterCheckValue", [] { return UniqueVariant::FromShort(2); }},
    {"Mode", [] { return UniqueVariant::FromLong(1); }},
    {"ReferenceValue", [] { return UniqueVariant::FromString(u"project X"); }},
    {"TimeNotBeforeValue", [] { return UniqueVariant::FromDate(39750.25); }},
    {"TimeNotAfterValue", [] { return UniqueVariant::FromDate(39750.75); }},
    {"ShowPopUpValue", [] { return UniqueVariant::FromShort(0); }},
};

class Persistence : public ControlHost {
protected:
    void SetUp() override {
        ControlHost::SetUp();
        ASSERT_EQ(control.As(&persist), S_OK);
        bag = platform::com::Make<MemoryBag>();
    }
    void TearDown() override {
        persist = nullptr;
        bag = nullptr;
        ControlHost::TearDown();
    }

    // Every property, read through Invoke by name, as "Name=value" lines.
    std::vector<std::string> Values() {
        std::vector<std::string> shown;
        for (const std::string& key : kKeyOrder) {
            UniqueVariant value;
            EXPECT_EQ(InvokeGet(IdOf(std::u16string(key.begin(), key.end())), value.Put()), S_OK) << key;
            UniqueVariant text;
            EXPECT_EQ(VariantChangeType(text.Put(), value.Get(), 0, VT_BSTR), S_OK) << key;
            shown.push_back(key + "=" + Utf8(text->bstrVal));
        }
        return shown;
    }
    void ShowPage(int page) { ASSERT_EQ(Perform(u"SSTab1", u"clicktab", std::u16string(1, u'0' + page)), S_OK); }

    ComPtr<IPersistPropertyBag> persist;
    ComPtr<MemoryBag> bag;
};

const std::vector<std::string> kDefaults = {
    "UsernameValue=",        "PwdValue=",          "NotBeforeValue=7/18/2008",     "NotAfterValue=7/18/2008",
    "ReadReceiptValue=0",    "ProxyIEValue=-1",    "ProxyServerValue=",            "ProxyPortValue=",
    "RememberMeValue=0",     "NotBeforeCheckValue=0", "NotAfterCheckValue=0",      "Mode=0",
    "ReferenceValue=",       "TimeNotBeforeValue=10/29/2008", "TimeNotAfterValue=10/29/2008", "ShowPopUpValue=1"};

TEST_F(Persistence, AnEmptyBagLoadsTheDefaultsAskingForEveryKeyInOrder) {
    ASSERT_EQ(control->put_Mode(5), S_OK);
    ASSERT_EQ(persist->Load(bag.Get(), nullptr), S_OK);
    EXPECT_EQ(bag->reads, kKeyOrder);
    EXPECT_EQ(Values(), kDefaults);
    ShowPage(2);
    EXPECT_EQ(LineOf("OptionIE"), "option OptionIE (o) \"Use Internet Explorer Setting (Recommended)\"");
    EXPECT_EQ(LineOf("CheckShowPopUp"), "checkbox CheckShowPopUp [x] \"Show decrypted content in new window\" hidden");
}

TEST_F(Persistence, ANewControlSavesNoKey) {
    ASSERT_EQ(persist->InitNew(), S_OK);
    ASSERT_EQ(persist->Save(bag.Get(), TRUE, TRUE), S_OK);
    EXPECT_TRUE(bag->values.empty());
}

TEST_F(Persistence, InitNewSetsTheModeAndNothingElse) {
    ASSERT_EQ(control->put_Mode(1), S_OK);
    ASSERT_EQ(control->put_PwdValue(Bstr(u"kept").Get()), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    LONG mode = -1;
    ASSERT_EQ(control->get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, 0);
    UniqueBstr pwd;
    ASSERT_EQ(control->get_PwdValue(pwd.Put()), S_OK);
    EXPECT_EQ(Utf8(pwd.Get()), "kept");
}

TEST_F(Persistence, AllSixteenValuesMakeTheRoundTripWithTheirTypes) {
    for (const auto& [key, make] : kOtherThanNew)
        ASSERT_EQ(InvokePut(IdOf(std::u16string(key.begin(), key.end())), *make().Get()), S_OK) << key;
    const std::vector<std::string> saved = Values();
    ASSERT_EQ(persist->Save(bag.Get(), TRUE, FALSE), S_OK);
    EXPECT_EQ(bag->writes, kKeyOrder);
    const std::map<std::string, VARTYPE> types = {
        {"UsernameValue", VT_BSTR},     {"PwdValue", VT_BSTR},          {"NotBeforeValue", VT_DATE},
        {"NotAfterValue", VT_DATE},     {"ReadReceiptValue", VT_I2},    {"ProxyIEValue", VT_BOOL},
        {"ProxyServerValue", VT_BSTR},  {"ProxyPortValue", VT_BSTR},    {"RememberMeValue", VT_I2},
        {"NotBeforeCheckValue", VT_I2}, {"NotAfterCheckValue", VT_I2},  {"Mode", VT_I4},
        {"ReferenceValue", VT_BSTR},    {"TimeNotBeforeValue", VT_DATE}, {"TimeNotAfterValue", VT_DATE},
        {"ShowPopUpValue", VT_I2}};
    for (const auto& [key, vt] : types) EXPECT_EQ(bag->At(key).vt, vt) << key;
    EXPECT_EQ(Utf8(bag->At("PwdValue").bstrVal), "QLMUI_PlaceholderSecretMarkerAb") << "saved as it stands";

    // Into a new control, in another host's hands.
    ComPtr<_QlmUI> original = control;
    ASSERT_EQ(CoCreateInstance(CLSID_QlmUI, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(control.ReleaseAndGetAddressOf())),
              S_OK);
    ASSERT_EQ(control.As(&persist), S_OK);
    ASSERT_EQ(control.As(&surface), S_OK);
    ASSERT_EQ(persist->Load(bag.Get(), nullptr), S_OK);
    // The server text loads after the proxy option: the custom setting ends selected either way.
    EXPECT_EQ(Values(), saved);
}

TEST_F(Persistence, AStoredProxyAddressAlwaysEndsWithTheCustomOption) {
    bag->Set("ProxyIEValue", UniqueVariant::FromBool(true));
    bag->Set("ProxyServerValue", UniqueVariant::FromString(u"proxy.example.com"));
    ASSERT_EQ(persist->Load(bag.Get(), nullptr), S_OK);
    VARIANT_BOOL ie = VARIANT_TRUE;
    ASSERT_EQ(control->get_ProxyIEValue(&ie), S_OK);
    EXPECT_EQ(ie, VARIANT_FALSE);
    ShowPage(2);
    EXPECT_EQ(LineOf("OptionCustom"), "option OptionCustom (o) \"Custom Setting\"");
}

TEST_F(Persistence, TheNotificationStateEnablesTheNoteAndTheEndsTheirPickers) {
    bag->Set("ReadReceiptValue", UniqueVariant::FromShort(1));
    bag->Set("ReferenceValue", UniqueVariant::FromString(u"project X"));
    bag->Set("NotBeforeCheckValue", UniqueVariant::FromShort(1));
    ASSERT_EQ(persist->Load(bag.Get(), nullptr), S_OK);
    ShowPage(1);
    EXPECT_EQ(LineOf("Reference"), "textbox Reference \"project X\"");
    EXPECT_EQ(LineOf("ReferenceLabel"), "label ReferenceLabel \"Reference (optional)\"");
    EXPECT_EQ(LineOf("DTPickerNotBefore"), "datepicker DTPickerNotBefore 7/18/2008");

    // Switched off by a second load: the pickers of that end go with it.
    bag->Set("NotBeforeCheckValue", UniqueVariant::FromShort(0));
    bag->Set("ReadReceiptValue", UniqueVariant::FromShort(0));
    ASSERT_EQ(persist->Load(bag.Get(), nullptr), S_OK);
    EXPECT_EQ(LineOf("DTPickerNotBefore"), "datepicker DTPickerNotBefore 7/18/2008 disabled");
    EXPECT_EQ(LineOf("TimePickerNotBefore"), "datepicker TimePickerNotBefore 12:00:00 AM disabled");
    EXPECT_EQ(LineOf("Reference"), "textbox Reference \"project X\" disabled");
}

TEST_F(Persistence, ModeOneSavesAsA32BitIntegerAndLoadsBack) {
    ASSERT_EQ(control->put_Mode(1), S_OK);
    ASSERT_EQ(persist->Save(bag.Get(), TRUE, FALSE), S_OK);
    EXPECT_EQ(bag->writes, std::vector<std::string>{"Mode"});
    EXPECT_EQ(bag->At("Mode").vt, VT_I4);
    EXPECT_EQ(bag->At("Mode").lVal, 1);

    bag->Set("Mode", UniqueVariant::FromLong(-7));
    ASSERT_EQ(persist->Load(bag.Get(), nullptr), S_OK);
    LONG mode = 0;
    ASSERT_EQ(control->get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, -7);
}

TEST_F(Persistence, ALoadConvertsStoredValuesAndSendsNoNotification) {
    Advise();
    bag->Set("ReadReceiptValue", UniqueVariant::FromString(u"1"));
    bag->Set("ProxyIEValue", UniqueVariant::FromString(u"False"));
    bag->Set("Mode", UniqueVariant::FromDouble(2.0));
    bag->Set("ProxyPortValue", UniqueVariant::FromLong(8080));
    bag->Set("NotAfterValue", UniqueVariant::FromString(u"2008-07-20"));
    ASSERT_EQ(persist->Load(bag.Get(), nullptr), S_OK);
    const std::vector<std::string> values = Values();
    EXPECT_EQ(values[4], "ReadReceiptValue=1");
    EXPECT_EQ(values[5], "ProxyIEValue=0");
    EXPECT_EQ(values[11], "Mode=2");
    EXPECT_EQ(values[7], "ProxyPortValue=8080");
    EXPECT_EQ(values[3], "NotAfterValue=7/20/2008");
    EXPECT_TRUE(sink->changed.empty());
}

struct FailingLoad {
    const char* what;
    const char* key;
    UniqueVariant (*value)();
    HRESULT error;
    const char* description;
};

void PrintTo(const FailingLoad& c, std::ostream* os) { *os << c.what; }

class LoadFails : public Persistence, public testing::WithParamInterface<FailingLoad> {};

TEST_P(LoadFails, AtTheKeyTheKeysBeforeLoadedTheRestAsTheyWere) {
    const FailingLoad& c = GetParam();
    // A full bag: every key differs from what the control holds.
    for (const auto& [key, make] : kOtherThanNew) bag->Set(key, make());
    bag->Set(c.key, c.value());
    const std::vector<std::string> before = Values();
    ComPtr<ErrorLog> log = platform::com::Make<ErrorLog>();
    Advise();

    ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_EQ(persist->Load(bag.Get(), log.Get()), c.error);
    EXPECT_EQ(TakeErrorReport(), (ErrorReport{c.description, "Quillmarsh"}));
    EXPECT_EQ(log->entries,
              std::vector<std::string>{std::string(c.key) + ": " + std::to_string(c.error) + " " + c.description});
    EXPECT_TRUE(sink->changed.empty());

    // The keys before the failing one hold the bag's values, it and the rest what they held.
    const std::vector<std::string> after = Values();
    bool reached = false;
    for (std::size_t i = 0; i < kKeyOrder.size(); ++i) {
        reached = reached || kKeyOrder[i] == c.key;
        if (reached) {
            EXPECT_EQ(after[i], before[i]) << kKeyOrder[i];
        } else {
            EXPECT_NE(after[i], before[i]) << kKeyOrder[i];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFails,
    testing::Values(
        FailingLoad{"text_under_RememberMeValue", "RememberMeValue",
                    [] { return UniqueVariant::FromString(u"remember me"); }, CTL_E_TYPEMISMATCH, "Type mismatch"},
        FailingLoad{"check_value_outside_0_to_2", "NotAfterCheckValue", [] { return UniqueVariant::FromShort(3); },
                    CTL_E_INVALIDPROPERTYVALUE, "Invalid property value"},
        FailingLoad{"null_under_a_text_key", "PwdValue", [] { return UniqueVariant::Null(); }, CTL_E_INVALIDUSEOFNULL,
                    "Invalid use of Null"},
        FailingLoad{"date_outside_the_pickers_range", "NotAfterValue", [] { return UniqueVariant::FromDate(-200000.0); },
                    CTL_E_INVALIDPROPERTYVALUE, "Invalid property value"},
        FailingLoad{"text_that_is_no_date", "TimeNotAfterValue", [] { return UniqueVariant::FromString(u"soon"); },
                    CTL_E_TYPEMISMATCH, "Type mismatch"},
        FailingLoad{"number_past_16_bits", "ShowPopUpValue", [] { return UniqueVariant::FromLong(70000); },
                    CTL_E_OVERFLOW, "Overflow"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(Persistence, ABagThatFailsToReadEndsTheLoadWithItsError) {
    bag->Set("UsernameValue", UniqueVariant::FromString(u"ann@example.com"));
    bag->Set("Mode", UniqueVariant::FromLong(1));
    bag->failingName = "ProxyServerValue";
    bag->failure = STG_E_READFAULT;
    EXPECT_EQ(persist->Load(bag.Get(), nullptr), STG_E_READFAULT);
    EXPECT_EQ(bag->reads.back(), "ProxyServerValue");
    LONG mode = 0;
    ASSERT_EQ(control->get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, 0);
    UniqueBstr user;
    ASSERT_EQ(control->get_UsernameValue(user.Put()), S_OK);
    EXPECT_EQ(Utf8(user.Get()), "ann@example.com");
}

TEST_F(Persistence, ABagThatFailsToWriteEndsTheSaveTheKeysBeforeStayWritten) {
    ASSERT_EQ(control->put_UsernameValue(Bstr(u"ann@example.com").Get()), S_OK);
    ASSERT_EQ(control->put_ProxyPortValue(Bstr(u"3128").Get()), S_OK);
    ASSERT_EQ(control->put_Mode(1), S_OK);
    bag->failingName = "ProxyPortValue";
    bag->failure = STG_E_MEDIUMFULL;
    EXPECT_EQ(persist->Save(bag.Get(), TRUE, FALSE), STG_E_MEDIUMFULL);
    EXPECT_EQ(bag->writes, std::vector<std::string>{"UsernameValue"});
}

TEST_F(Persistence, TheSavedTextIsWhatThePersonTypedAndAValueBackAtItsDefaultIsNotWritten) {
    ASSERT_EQ(Perform(u"UserCombo", u"type", u"bob@example.com"), S_OK);
    ASSERT_EQ(control->put_RememberMeValue(1), S_OK);
    ASSERT_EQ(control->put_RememberMeValue(0), S_OK);
    ASSERT_EQ(persist->Save(bag.Get(), TRUE, FALSE), S_OK);
    EXPECT_EQ(bag->writes, std::vector<std::string>{"UsernameValue"});
    EXPECT_EQ(Utf8(bag->At("UsernameValue").bstrVal), "bob@example.com");
}

}  // namespace
