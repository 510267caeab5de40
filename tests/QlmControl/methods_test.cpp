// QlmUI's methods through its interface (the vtable and IDispatch::Invoke), and the reader and login lists
// worked as a person works them through the surface interface, read back as a host reads them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_host.h"
#include "platform/safe_array.h"

namespace {

using namespace controltest;
using platform::com::UniqueSafeArray;

std::vector<std::string> Elements(SAFEARRAY* array) {
    std::vector<std::string> elements;
    LONG lower = 1, upper = -1;
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(lower, 0);
    for (LONG i = lower; i <= upper; ++i) {
        UniqueBstr element;
        EXPECT_EQ(SafeArrayGetElement(array, &i, element.Put()), S_OK);
        elements.push_back(Utf8(element.Get()));
    }
    return elements;
}

class Methods : public ControlHost {
protected:
    bool IsValidEmailByVtable(std::u16string_view email) {
        BSTR text = Bstr(email).Release();
        VARIANT_BOOL valid = 7;
        EXPECT_EQ(control->IsValidEmail(&text, &valid), S_OK);
        EXPECT_EQ(Utf8(text), Utf8(email)) << "left unchanged";
        SysFreeString(text);
        EXPECT_TRUE(valid == VARIANT_TRUE || valid == VARIANT_FALSE);
        return valid == VARIANT_TRUE;
    }
    bool IsValidEmailByInvoke(std::u16string_view email) {
        UniqueVariant argument = UniqueVariant::FromString(email);
        UniqueVariant result;
        EXPECT_EQ(Invoke(IdOf(u"IsValidEmail"), DISPATCH_METHOD, {*argument.Get()}, result.Put()), S_OK);
        EXPECT_EQ(result.Type(), VT_BOOL);
        return result->boolVal == VARIANT_TRUE;
    }
    HRESULT AddReader(std::u16string_view reader) {
        BSTR text = Bstr(reader).Release();
        UniqueVariant result;
        const HRESULT hr = control->AddReader(&text, result.Put());
        SysFreeString(text);
        EXPECT_EQ(result.Type(), VT_EMPTY);
        return hr;
    }
    std::string Readers() {
        UniqueBstr readers;
        EXPECT_EQ(control->GetReaders(readers.Put()), S_OK);
        return Utf8(readers.Get());
    }
    void AddUsername(std::u16string_view name, bool hasPassword) {
        BSTR text = Bstr(name).Release();
        VARIANT_BOOL flag = hasPassword ? VARIANT_TRUE : VARIANT_FALSE;
        UniqueVariant result;
        EXPECT_EQ(control->AddUsername(&text, &flag, result.Put()), S_OK);
        EXPECT_EQ(result.Type(), VT_EMPTY);
        SysFreeString(text);
    }
};

struct EmailCase {
    const char16_t* email;
    bool valid;
};

class IsValidEmail : public Methods, public testing::WithParamInterface<EmailCase> {};

TEST_P(IsValidEmail, ThroughTheVtableAndInvoke) {
    EXPECT_EQ(IsValidEmailByVtable(GetParam().email), GetParam().valid);
    EXPECT_EQ(IsValidEmailByInvoke(GetParam().email), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Cases, IsValidEmail,
                         testing::Values(EmailCase{u"everyone", true}, EmailCase{u"EVERYONE", true},
                                         EmailCase{u"Everyone", true}, EmailCase{u" everyone", false},
                                         EmailCase{u"every one", false}, EmailCase{u"ann@example", false},
                                         EmailCase{u"ann.example.com", false}, EmailCase{u"", false},
                                         EmailCase{u"@.", true}, EmailCase{u"ann.b@example", true}));

struct ParseCase {
    const char* what;
    const char16_t* source;
    const char16_t* delimiter;
    std::vector<std::string> elements;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }

class ParseString : public Methods, public testing::WithParamInterface<ParseCase> {};

TEST_P(ParseString, ReplacesTheArrayWithElementZeroEmptyThenTheSegments) {
    const ParseCase& c = GetParam();
    const SHORT expectedCount = static_cast<SHORT>(c.elements.size() - 1);
    {
        // The caller's array, replaced.
        UniqueSafeArray array(SafeArrayCreateVector(VT_BSTR, 0, 5));
        SAFEARRAY* held = array.Release();
        SHORT count = -1;
        ASSERT_EQ(control->ParseString(&held, Bstr(c.source).Get(), Bstr(c.delimiter).Get(), &count), S_OK);
        array.Reset(held);
        EXPECT_EQ(count, expectedCount);
        EXPECT_EQ(Elements(array.Get()), c.elements);
    }
    {
        // Through Invoke, the array passed by reference.
        SAFEARRAY* held = nullptr;
        VARIANT byRef;
        VariantInit(&byRef);
        byRef.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
        byRef.pparray = &held;
        UniqueVariant source = UniqueVariant::FromString(c.source);
        UniqueVariant delimiter = UniqueVariant::FromString(c.delimiter);
        UniqueVariant result;
        ASSERT_EQ(Invoke(IdOf(u"ParseString"), DISPATCH_METHOD, {byRef, *source.Get(), *delimiter.Get()}, result.Put()),
                  S_OK);
        UniqueSafeArray array(held);
        EXPECT_EQ(result.Type(), VT_I2);
        EXPECT_EQ(result->iVal, expectedCount);
        ASSERT_TRUE(array);
        EXPECT_EQ(Elements(array.Get()), c.elements);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseString,
    testing::Values(ParseCase{"three_words", u"A, B;C", u",; ", {"", "A", "B", "C"}},
                    ParseCase{"empty", u"", u",; ", {""}},
                    ParseCase{"only_separators", u" ,; ;, ", u",; ", {""}},
                    ParseCase{"delimiter_not_consulted", u"A|B", u"|", {"", "A|B"}},
                    ParseCase{"semicolons_around_double_comma", u";A,,B;", u"", {"", "A", "B"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(Methods, ParseStringOfFortyThousandSegmentsFailsWithOverflow) {
    std::u16string source;
    for (int i = 0; i < 40000; ++i) source += u"a,";
    SAFEARRAY* held = nullptr;
    SHORT count = 0;
    ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_EQ(control->ParseString(&held, Bstr(source).Get(), Bstr(u",; ").Get(), &count), CTL_E_OVERFLOW);
    EXPECT_EQ(TakeErrorReport(), (ErrorReport{"Overflow", "Quillmarsh"}));
    SafeArrayDestroy(held);

    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
    held = nullptr;
    byRef.pparray = &held;
    UniqueVariant text = UniqueVariant::FromString(source);
    UniqueVariant delimiter = UniqueVariant::FromString(u",; ");
    EXCEPINFO excep{};
    UniqueVariant result;
    EXPECT_EQ(Invoke(DISPID_QlmUI_ParseString, DISPATCH_METHOD, {byRef, *text.Get(), *delimiter.Get()}, result.Put(),
                     &excep),
              DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, CTL_E_OVERFLOW);
    EXPECT_EQ(Utf8(excep.bstrDescription), "Overflow");
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    SafeArrayDestroy(held);
}

TEST_F(Methods, AddReaderStoresAsPassedAndGetReadersJoinsThemWithSemicolons) {
    EXPECT_EQ(Readers(), "");
    ASSERT_EQ(AddReader(u"A"), S_OK);
    EXPECT_EQ(Readers(), "A");
    ASSERT_EQ(AddReader(u"  B"), S_OK);
    ASSERT_EQ(AddReader(u"  B"), S_OK);
    ASSERT_EQ(AddReader(u"C"), S_OK);
    EXPECT_EQ(Readers(), "A;  B;  B;C");

    UniqueVariant reader = UniqueVariant::FromString(u"D");
    UniqueVariant result;
    ASSERT_EQ(Invoke(IdOf(u"AddReader"), DISPATCH_METHOD, {*reader.Get()}, result.Put()), S_OK);
    EXPECT_EQ(result.Type(), VT_EMPTY);
    ASSERT_EQ(Invoke(IdOf(u"GetReaders"), DISPATCH_METHOD, {}, result.Put()), S_OK);
    EXPECT_EQ(Utf8(result->bstrVal), "A;  B;  B;C;D");
}

// ---- As a person works the lists ----------------------------------------------------------------

struct AddCase {
    const char* what;
    std::vector<std::u16string> before;
    const char16_t* typed;
    std::string readers;
};

void PrintTo(const AddCase& c, std::ostream* os) { *os << c.what; }

class AddAsAPerson : public Methods, public testing::WithParamInterface<AddCase> {};

TEST_P(AddAsAPerson, TypesIntoReadersClicksAddAndTheHostReadsTheList) {
    const AddCase& c = GetParam();
    for (const auto& reader : c.before) ASSERT_EQ(AddReader(reader), S_OK);
    ASSERT_EQ(Perform(u"Readers", u"type", c.typed), S_OK);
    ASSERT_EQ(Perform(u"AddButton", u"click"), S_OK);
    EXPECT_EQ(Readers(), c.readers);
    EXPECT_EQ(LineOf("Readers"), "textbox Readers \"\"");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddAsAPerson,
    testing::Values(AddCase{"only_spaces_and_commas", {}, u" , ,", ""},
                    AddCase{"second_has_no_full_stop", {}, u"ann@example.com, bob@example", "ann@example.com"},
                    AddCase{"keyword_as_typed", {}, u"EVERYONE", "EVERYONE"},
                    AddCase{"an_entry_again", {u"ann@example.com"}, u"ann@example.com",
                            "ann@example.com;ann@example.com"},
                    AddCase{"three_words", {}, u"a@b.c, d@e.f;g@h.i", "a@b.c;d@e.f;g@h.i"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(Methods, ADoubleClickRemovesTheReaderAndOnAnEmptyListDoesNothing) {
    EXPECT_EQ(Perform(u"ReaderList", u"dblclick"), S_OK);
    for (const char16_t* reader : {u"A", u"B", u"C"}) ASSERT_EQ(AddReader(reader), S_OK);
    ASSERT_EQ(Perform(u"ReaderList", u"dblclick", u"B"), S_OK);
    EXPECT_EQ(Readers(), "A;C");
}

TEST_F(Methods, ChoosingAUserFillsThePasswordAndRememberFromItsFlag) {
    AddUsername(u"ann@example.com", true);
    AddUsername(u"ann@example.com", false);
    auto pwd = [&] {
        UniqueBstr text;
        EXPECT_EQ(control->get_PwdValue(text.Put()), S_OK);
        return Utf8(text.Get());
    };
    auto remembered = [&] {
        SHORT value = -1;
        EXPECT_EQ(control->get_RememberMeValue(&value), S_OK);
        return value;
    };
    ASSERT_EQ(Perform(u"Password", u"type", u"typed"), S_OK);
    ASSERT_EQ(Perform(u"UserCombo", u"choose", u"0"), S_OK);
    EXPECT_EQ(pwd(), "QLMUI_PlaceholderSecretMarkerAb");
    EXPECT_EQ(remembered(), 1);
    ASSERT_EQ(Perform(u"UserCombo", u"choose", u"1"), S_OK);
    EXPECT_EQ(pwd(), "");
    EXPECT_EQ(remembered(), 0);
}

TEST_F(Methods, ShowingSelectsTheUserNamedByTheStoredText) {
    AddUsername(u"Ann@example.com", false);
    AddUsername(u"ann@example.com", true);
    ASSERT_EQ(control->put_UsernameValue(Bstr(u"ann@example.com").Get()), S_OK);
    ComPtr<IOleObject> object;
    ASSERT_EQ(control.As(&object), S_OK);
    ASSERT_EQ(object->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(LineOf("UserCombo"), "combobox UserCombo \"ann@example.com\" \"Ann@example.com\" >\"ann@example.com\"");
    SHORT remembered = 0;
    ASSERT_EQ(control->get_RememberMeValue(&remembered), S_OK);
    EXPECT_EQ(remembered, 1);
}

// Activating a control that is already visible (a host does so when the user clicks into it) does not make
// it become visible: the password typed since the control was shown stays. A show (the host's window
// reappears), or an activation after a hide, selects the user again.
TEST_F(Methods, OnlyBecomingVisibleSelectsTheUserAgain) {
    AddUsername(u"ann@example.com", true);
    ASSERT_EQ(control->put_UsernameValue(Bstr(u"ann@example.com").Get()), S_OK);
    ComPtr<IOleObject> object;
    ASSERT_EQ(control.As(&object), S_OK);
    auto verb = [&](LONG iVerb) { return object->DoVerb(iVerb, nullptr, nullptr, 0, nullptr, nullptr); };
    auto pwd = [&] {
        UniqueBstr text;
        EXPECT_EQ(control->get_PwdValue(text.Put()), S_OK);
        return Utf8(text.Get());
    };
    auto type = [&] {
        ASSERT_EQ(Perform(u"Password", u"clear"), S_OK);
        ASSERT_EQ(Perform(u"Password", u"type", u"typed"), S_OK);
    };
    ASSERT_EQ(verb(OLEIVERB_INPLACEACTIVATE), S_OK);
    EXPECT_EQ(pwd(), "QLMUI_PlaceholderSecretMarkerAb");

    type();
    for (LONG activate : {OLEIVERB_UIACTIVATE, OLEIVERB_INPLACEACTIVATE, OLEIVERB_PRIMARY}) {
        ASSERT_EQ(verb(activate), S_OK) << activate;
        EXPECT_EQ(pwd(), "typed") << activate;
    }
    ASSERT_EQ(verb(OLEIVERB_SHOW), S_OK);
    EXPECT_EQ(pwd(), "QLMUI_PlaceholderSecretMarkerAb");

    type();
    ASSERT_EQ(verb(OLEIVERB_HIDE), S_OK);
    EXPECT_EQ(pwd(), "typed");
    ASSERT_EQ(verb(OLEIVERB_UIACTIVATE), S_OK);
    EXPECT_EQ(pwd(), "QLMUI_PlaceholderSecretMarkerAb");
}

}  // namespace
