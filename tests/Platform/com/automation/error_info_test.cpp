#include <gtest/gtest.h>

#include <thread>

#include "errhandlingapi.h"
#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/error_info.h"
#include "platform/fault_injection.h"
#include "platform/variant.h"
#include "variant_values.h"

namespace {

using automation_test::Text;
using platform::com::ComPtr;
using platform::com::UniqueBstr;
using platform::com::UniqueVariant;

// {5A1E7C21-3B4D-4E6F-8A9B-0C1D2E3F4A5B}: an interface of this test only.
constexpr IID IID_ITestRaiser = {0x5A1E7C21, 0x3B4D, 0x4E6F, {0x8A, 0x9B, 0x0C, 0x1D, 0x2E, 0x3F, 0x4A, 0x5B}};

// Takes the thread's error information (and so clears it).
ComPtr<IErrorInfo> TakeErrorInfo() {
    ComPtr<IErrorInfo> info;
    EXPECT_TRUE(SUCCEEDED(GetErrorInfo(0, info.GetAddressOf())));
    return info;
}

std::u16string DescriptionOf(IErrorInfo* info) {
    UniqueBstr text;
    EXPECT_EQ(info->GetDescription(text.Put()), S_OK);
    return std::u16string(Text(text.Get()));
}

class ErrorInfoTest : public testing::Test {
protected:
    void SetUp() override { SetErrorInfo(0, nullptr); }
    void TearDown() override { SetErrorInfo(0, nullptr); }
};

TEST_F(ErrorInfoTest, CreatedInfoKeepsWhatWasSet) {
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.GetAddressOf()), S_OK);
    std::u16string source = u"Quillmarsh.Test";
    std::u16string description = u"Invalid property value";
    std::u16string helpFile = u"help.chm";
    ASSERT_EQ(create->SetGUID(IID_ITestRaiser), S_OK);
    ASSERT_EQ(create->SetSource(source.data()), S_OK);
    ASSERT_EQ(create->SetDescription(description.data()), S_OK);
    ASSERT_EQ(create->SetHelpFile(helpFile.data()), S_OK);
    ASSERT_EQ(create->SetHelpContext(42), S_OK);

    ComPtr<IErrorInfo> info;
    ASSERT_EQ(create.As(&info), S_OK);
    GUID guid{};
    ASSERT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, IID_ITestRaiser);
    UniqueBstr text;
    ASSERT_EQ(info->GetSource(text.Put()), S_OK);
    EXPECT_EQ(Text(text.Get()), source);
    EXPECT_EQ(DescriptionOf(info.Get()), description);
    ASSERT_EQ(info->GetHelpFile(text.Put()), S_OK);
    EXPECT_EQ(Text(text.Get()), helpFile);
    DWORD context = 0;
    ASSERT_EQ(info->GetHelpContext(&context), S_OK);
    EXPECT_EQ(context, 42u);
}

TEST_F(ErrorInfoTest, GetErrorInfoHandsItOverAndClearsIt) {
    ComPtr<IErrorInfo> none;
    EXPECT_EQ(GetErrorInfo(0, none.GetAddressOf()), S_FALSE);
    EXPECT_FALSE(none);

    platform::com::RaiseError(E_FAIL, u"first");
    platform::com::RaiseError(E_FAIL, u"second");  // replaces the first
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.GetAddressOf()), S_OK);
    EXPECT_EQ(DescriptionOf(info.Get()), u"second");
    EXPECT_EQ(GetErrorInfo(0, none.GetAddressOf()), S_FALSE);

    ASSERT_EQ(SetErrorInfo(0, info.Get()), S_OK);
    ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_EQ(GetErrorInfo(0, none.GetAddressOf()), S_FALSE);
    EXPECT_EQ(SetErrorInfo(1, nullptr), E_INVALIDARG);
}

TEST_F(ErrorInfoTest, EachThreadHasItsOwn) {
    platform::com::RaiseError(E_FAIL, u"main thread");
    std::u16string seenByOther = u"unset";
    std::thread other([&] {
        ComPtr<IErrorInfo> info;
        seenByOther = GetErrorInfo(0, info.GetAddressOf()) == S_FALSE ? u"none" : DescriptionOf(info.Get());
        platform::com::RaiseError(E_FAIL, u"other thread");  // released when the thread ends
    });
    other.join();
    EXPECT_EQ(seenByOther, u"none");
    ComPtr<IErrorInfo> info = TakeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(DescriptionOf(info.Get()), u"main thread");
}

TEST_F(ErrorInfoTest, RaiseErrorReturnsTheErrorWithItsDescriptionSourceAndInterface) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(platform::com::RaiseStandardError(CTL_E_INVALIDPROPERTYVALUE, u"QlmTest", IID_ITestRaiser),
              CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));  // looking up the text keeps it
    ComPtr<IErrorInfo> info = TakeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(DescriptionOf(info.Get()), u"Invalid property value");
    UniqueBstr source;
    ASSERT_EQ(info->GetSource(source.Put()), S_OK);
    EXPECT_EQ(Text(source.Get()), u"QlmTest");
    GUID guid{};
    ASSERT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, IID_ITestRaiser);
}

TEST_F(ErrorInfoTest, WithoutMemoryForTheInfoTheErrorStillReturns) {
    platform::fault::Scoped fault("CreateErrorInfo", static_cast<DWORD>(E_OUTOFMEMORY));
    EXPECT_EQ(platform::com::RaiseStandardError(CTL_E_OVERFLOW), CTL_E_OVERFLOW);
    ComPtr<IErrorInfo> none;
    EXPECT_EQ(GetErrorInfo(0, none.GetAddressOf()), S_FALSE);
}

TEST(ErrorDescription, StandardTextsOfTheControlErrors) {
    struct {
        HRESULT hr;
        const char16_t* text;
    } cases[] = {
        {CTL_E_TYPEMISMATCH, u"Type mismatch"},
        {CTL_E_OVERFLOW, u"Overflow"},
        {CTL_E_INVALIDUSEOFNULL, u"Invalid use of Null"},
        {CTL_E_INVALIDPROPERTYVALUE, u"Invalid property value"},
        {static_cast<HRESULT>(0x800A0001), u""},  // no text
    };
    for (const auto& c : cases) EXPECT_EQ(platform::com::ErrorDescription(c.hr), c.text) << std::hex << c.hr;
}

TEST(ControlErrorFromConversion, MapsConversionFailuresToWhatAHostExpects) {
    UniqueVariant null = UniqueVariant::Null();
    UniqueVariant text = UniqueVariant::FromString(u"x");
    VARIANT nullRef;
    VariantInit(&nullRef);
    nullRef.vt = VT_BYREF | VT_VARIANT;
    nullRef.pvarVal = null.Get();
    struct {
        HRESULT hr;
        const VARIANT* source;
        HRESULT expected;
    } cases[] = {
        {DISP_E_TYPEMISMATCH, text.Get(), CTL_E_TYPEMISMATCH},
        {DISP_E_TYPEMISMATCH, nullptr, CTL_E_TYPEMISMATCH},
        {DISP_E_TYPEMISMATCH, null.Get(), CTL_E_INVALIDUSEOFNULL},
        {DISP_E_TYPEMISMATCH, &nullRef, CTL_E_INVALIDUSEOFNULL},
        {DISP_E_OVERFLOW, text.Get(), CTL_E_OVERFLOW},
        {E_OUTOFMEMORY, text.Get(), CTL_E_OUTOFMEMORY},
        {E_INVALIDARG, text.Get(), E_INVALIDARG},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::com::ControlErrorFromConversion(c.hr, c.source), c.expected) << std::hex << c.hr;
}

TEST_F(ErrorInfoTest, ConvertForControlRaisesTheHostsError) {
    struct {
        automation_test::Value source;
        HRESULT expected;
        const char16_t* description;
    } cases[] = {
        {{VT_BSTR, 0, u"abc"}, CTL_E_TYPEMISMATCH, u"Type mismatch"},
        {{VT_I4, 40000}, CTL_E_OVERFLOW, u"Overflow"},
        {{VT_NULL}, CTL_E_INVALIDUSEOFNULL, u"Invalid use of Null"},
    };
    for (const auto& c : cases) {
        UniqueVariant source = automation_test::Make(c.source);
        UniqueVariant result;
        EXPECT_EQ(platform::com::ConvertForControl(result.Get(), source.Get(), VT_I2, u"QlmTest"), c.expected);
        ComPtr<IErrorInfo> info = TakeErrorInfo();
        ASSERT_TRUE(info);
        EXPECT_EQ(DescriptionOf(info.Get()), c.description);
    }
    UniqueVariant number = UniqueVariant::FromString(u"12");
    UniqueVariant result;
    ASSERT_EQ(platform::com::ConvertForControl(result.Get(), number.Get(), VT_I2), S_OK);
    EXPECT_EQ(result->iVal, 12);
    ComPtr<IErrorInfo> none;
    EXPECT_EQ(GetErrorInfo(0, none.GetAddressOf()), S_FALSE);  // success raises nothing
}

}  // namespace
