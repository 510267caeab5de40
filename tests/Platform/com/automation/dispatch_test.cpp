#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oleauto.h"
#include "platform/com_object.h"
#include "platform/dispatch.h"
#include "platform/safe_array.h"
#include "platform/variant.h"
#include "test_widget.h"
#include "variant_values.h"

namespace {

using automation_test::Make;
using automation_test::SameVariant;
using automation_test::Text;
using automation_test::Value;
using platform::com::ComPtr;
using platform::com::UniqueBstr;
using platform::com::UniqueSafeArray;
using platform::com::UniqueVariant;
using widget_test::PlainWidget;
using widget_test::Widget;

// What one IDispatch::Invoke gave back.
struct Outcome {
    HRESULT hr = E_FAIL;
    UniqueVariant result;
    EXCEPINFO excep{};
    UINT argErr = 99;
    Outcome() = default;
    Outcome(Outcome&&) = default;
    ~Outcome() {
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
    }
};

// Calls as a host does: the arguments given first to last go into rgvarg last to first; a put
// names its value DISPID_PROPERTYPUT. The arguments stay the caller's.
Outcome Call(IDispatch* object, DISPID dispid, WORD flags, std::vector<VARIANT> args = {}, bool withExcepInfo = true) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS params{reversed.data(), put ? &named : nullptr, static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    Outcome out;
    out.hr = object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out.result.Get(),
                            withExcepInfo ? &out.excep : nullptr, &out.argErr);
    return out;
}

VARIANT ByRef(VARTYPE vt, void* target) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | vt;
    v.byref = target;
    return v;
}

class DispatchTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(widget_); }
    void TearDown() override { SetErrorInfo(0, nullptr); }
    IDispatch* Dispatch() { return static_cast<ITestWidget*>(widget_.Get()); }

    ComPtr<Widget> widget_ = platform::com::Make<Widget>();
};

TEST(DispatchTable, AgreesWithTheVtable) {
    EXPECT_EQ(platform::com::CheckInterfaceTable(widget_test::WidgetInterface()), "");
    // IUnknown's 3 and IDispatch's 4 entries come first.
    EXPECT_EQ(platform::com::VtableSlot(&IDispatch::Invoke), 6u);
    EXPECT_EQ(platform::com::VtableSlot(&ITestWidget::get_Text), 7u);
    EXPECT_EQ(platform::com::VtableSlot(&ITestWidget::Fail), 20u);
    EXPECT_EQ(widget_test::WidgetInterface().members.back().vtableSlot, 20u);
}

TEST(DispatchTable, CheckNamesWhatDisagrees) {
    using namespace platform::com;
    struct Case {
        const char* fault;
        std::vector<MemberDescription> members;
        const char* expected;
    };
    const Case cases[] = {
        {"out of vtable order",
         {PropertyPut<&ITestWidget::put_Text>(u"Text", 1), PropertyGet<&ITestWidget::get_Text>(u"Text", 1)},
         "vtable entry 8"},
        {"VT_BOOL for a BSTR",
         {PropertyGet<&ITestWidget::get_Text>(u"Text", 1, nullptr, Retval(VT_BOOL))},
         "VARTYPE"},
        {"a result that is not last",
         {Method<&ITestWidget::Split>(u"Split", 2, nullptr, Retval(), u"source", u"delimiter", u"count")},
         "VARTYPE"},
        {"one name, two DISPIDs",
         {PropertyGet<&ITestWidget::get_Text>(u"Text", 1), PropertyPut<&ITestWidget::put_Text>(u"text", 2)},
         "do not pair"},
        {"one DISPID, two names",
         {PropertyGet<&ITestWidget::get_Text>(u"Text", 1), PropertyPut<&ITestWidget::put_Text>(u"Caption", 1)},
         "do not pair"},
    };
    for (const Case& c : cases) {
        InterfaceDescription iface{u"IBroken", nullptr, IID_ITestWidget, 0, true, c.members};
        EXPECT_NE(CheckInterfaceTable(iface).find(c.expected), std::string::npos)
            << c.fault << ": " << CheckInterfaceTable(iface);
    }
}

struct PropertyCase {
    const char* name;
    DISPID dispid;
    Value put;       // what the host passes
    Value expected;  // what a get gives back
};

class DispatchProperties : public DispatchTest, public testing::WithParamInterface<PropertyCase> {};

// Put through Invoke with the value coerced to the property's type, get back through Invoke (by a
// host that allows a method or a get) and through the vtable.
TEST_P(DispatchProperties, PutThenGet) {
    const PropertyCase& c = GetParam();
    UniqueVariant value = Make(c.put);
    Outcome put = Call(Dispatch(), c.dispid, DISPATCH_PROPERTYPUT, {*value.Get()});
    ASSERT_EQ(put.hr, S_OK);
    EXPECT_EQ(put.result.Type(), VT_EMPTY);
    Outcome get = Call(Dispatch(), c.dispid, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    ASSERT_EQ(get.hr, S_OK);
    EXPECT_TRUE(SameVariant(*Make(c.expected).Get(), *get.result.Get()));
}

INSTANTIATE_TEST_SUITE_P(EachType, DispatchProperties, testing::Values(
    PropertyCase{"Text", kDispidText, {VT_BSTR, 0, u"hello"}, {VT_BSTR, 0, u"hello"}},
    PropertyCase{"TextFromNumber", kDispidText, {VT_I4, 42}, {VT_BSTR, 0, u"42"}},
    PropertyCase{"Count", kDispidCount, {VT_I2, 7}, {VT_I2, 7}},
    PropertyCase{"CountFromText", kDispidCount, {VT_BSTR, 0, u"12"}, {VT_I2, 12}},
    PropertyCase{"EnabledFromNumber", kDispidEnabled, {VT_I4, 0}, {VT_BOOL, 0}},
    PropertyCase{"EnabledFromText", kDispidEnabled, {VT_BSTR, 0, u"True"}, {VT_BOOL, 1}},
    PropertyCase{"ValueKeepsItsType", DISPID_VALUE, {VT_R8, 2.5}, {VT_R8, 2.5}},
    PropertyCase{"ValueText", DISPID_VALUE, {VT_BSTR, 0, u"any"}, {VT_BSTR, 0, u"any"}},
    PropertyCase{"Mode", kDispidMode, {VT_I4, -7}, {VT_I4, -7}}),
    [](const testing::TestParamInfo<PropertyCase>& info) { return info.param.name; });

TEST_F(DispatchTest, TheVtableAndInvokeReachTheSameMembers) {
    UniqueBstr text(SysAllocString(u"through the vtable"));
    ASSERT_EQ(widget_->put_Text(text.Get()), S_OK);
    Outcome get = Call(Dispatch(), kDispidText, DISPATCH_PROPERTYGET);
    ASSERT_EQ(get.hr, S_OK);
    EXPECT_EQ(Text(get.result->bstrVal), u"through the vtable");

    UniqueVariant mode = UniqueVariant::FromLong(99);
    ASSERT_EQ(Call(Dispatch(), kDispidMode, DISPATCH_PROPERTYPUT, {*mode.Get()}).hr, S_OK);
    LONG read = 0;
    ASSERT_EQ(widget_->get_Mode(&read), S_OK);
    EXPECT_EQ(read, 99);
}

TEST_F(DispatchTest, PutTakesItsValueWithOrWithoutTheNamedArgument) {
    UniqueVariant value = UniqueVariant::FromShort(3);
    VARIANT args[] = {*value.Get()};
    DISPPARAMS unnamed{args, nullptr, 1, 0};
    UINT argErr = 0;
    ASSERT_EQ(Dispatch()->Invoke(kDispidCount, IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr, &argErr),
              S_OK);
    EXPECT_EQ(widget_->count, 3);

    DISPID otherName = 0;
    DISPPARAMS wrongName{args, &otherName, 1, 1};
    EXPECT_EQ(Dispatch()->Invoke(kDispidCount, IID_NULL, 0, DISPATCH_PROPERTYPUT, &wrongName, nullptr, nullptr, &argErr),
              DISP_E_NONAMEDARGS);
    DISPID putName = DISPID_PROPERTYPUT;
    DISPPARAMS namedMethod{args, &putName, 1, 1};
    EXPECT_EQ(Dispatch()->Invoke(kDispidRepeat, IID_NULL, 0, DISPATCH_METHOD, &namedMethod, nullptr, nullptr, &argErr),
              DISP_E_NONAMEDARGS);
}

TEST_F(DispatchTest, NamesAreFoundInAnyCase) {
    struct Case {
        std::vector<const char16_t*> names;
        HRESULT hr;
        std::vector<DISPID> ids;
    } cases[] = {
        {{u"Text"}, S_OK, {kDispidText}},
        {{u"TEXT"}, S_OK, {kDispidText}},
        {{u"value"}, S_OK, {DISPID_VALUE}},
        {{u"isvalidname", u"NAME"}, S_OK, {kDispidIsValidName, 0}},
        {{u"Split", u"delimiter", u"parts"}, S_OK, {kDispidSplit, 2, 0}},
        {{u"Split", u"count"}, DISP_E_UNKNOWNNAME, {kDispidSplit, DISPID_UNKNOWN}},  // the result is no argument
        {{u"Nothing", u"name"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN, DISPID_UNKNOWN}},
    };
    for (const Case& c : cases) {
        std::vector<std::u16string> storage(c.names.begin(), c.names.end());
        std::vector<LPOLESTR> names;
        for (std::u16string& s : storage) names.push_back(s.data());
        std::vector<DISPID> ids(names.size(), 12345);
        EXPECT_EQ(Dispatch()->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), 0, ids.data()),
                  c.hr)
            << automation_test::Describe(*Make({VT_BSTR, 0, c.names[0]}).Get());
        EXPECT_EQ(ids, c.ids);
    }
    LPOLESTR name = const_cast<LPOLESTR>(u"Text");
    DISPID id = 0;
    EXPECT_EQ(Dispatch()->GetIDsOfNames(IID_ITestWidget, &name, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, ByReferenceArgumentsChangeTheCallersValue) {
    // A BSTR by reference: the member trims the caller's own string.
    BSTR name = SysAllocString(u"  ann  ");
    Outcome direct = Call(Dispatch(), kDispidIsValidName, DISPATCH_METHOD, {ByRef(VT_BSTR, &name)});
    ASSERT_EQ(direct.hr, S_OK);
    EXPECT_TRUE(SameVariant(*Make({VT_BOOL, 1}).Get(), *direct.result.Get()));
    EXPECT_EQ(Text(name), u"ann");
    SysFreeString(name);

    // Through a VARIANT by reference, as script hosts pass variables.
    UniqueVariant variable = UniqueVariant::FromString(u" bob");
    Outcome viaVariant = Call(Dispatch(), kDispidIsValidName, DISPATCH_METHOD, {ByRef(VT_VARIANT, variable.Get())});
    ASSERT_EQ(viaVariant.hr, S_OK);
    EXPECT_EQ(Text(variable->bstrVal), u"bob");

    // By value: the member works on a copy; the caller's value stays.
    UniqueVariant blank = UniqueVariant::FromString(u"   ");
    Outcome copy = Call(Dispatch(), kDispidIsValidName, DISPATCH_METHOD, {*blank.Get()});
    ASSERT_EQ(copy.hr, S_OK);
    EXPECT_TRUE(SameVariant(*Make({VT_BOOL, 0}).Get(), *copy.result.Get()));
    EXPECT_EQ(Text(blank->bstrVal), u"   ");

    // No result: the caller's text is replaced, the result stays empty. The count is coerced.
    BSTR text = SysAllocString(u"ab");
    UniqueVariant times = UniqueVariant::FromString(u"3");
    Outcome repeat = Call(Dispatch(), kDispidRepeat, DISPATCH_METHOD, {ByRef(VT_BSTR, &text), *times.Get()});
    ASSERT_EQ(repeat.hr, S_OK);
    EXPECT_EQ(repeat.result.Type(), VT_EMPTY);
    EXPECT_EQ(Text(text), u"ababab");
    SysFreeString(text);
}

TEST_F(DispatchTest, ArrayOfTextByReferenceAndAResult) {
    UniqueSafeArray parts;
    UniqueVariant source = UniqueVariant::FromString(u"a;bc;;d");
    UniqueVariant delimiter = UniqueVariant::FromString(u";");
    Outcome split = Call(Dispatch(), kDispidSplit, DISPATCH_METHOD,
                         {ByRef(VT_ARRAY | VT_BSTR, parts.Put()), *source.Get(), *delimiter.Get()});
    ASSERT_EQ(split.hr, S_OK);
    EXPECT_TRUE(SameVariant(*Make({VT_I2, 4}).Get(), *split.result.Get()));
    ASSERT_TRUE(parts);
    std::vector<std::u16string> texts;
    for (LONG i = 0; i < 4; ++i) {
        UniqueBstr part;
        ASSERT_EQ(SafeArrayGetElement(parts.Get(), &i, part.Put()), S_OK);
        texts.emplace_back(Text(part.Get()));
    }
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"a", u"bc", u"", u"d"}));
}

TEST_F(DispatchTest, WrongNumberOfArgumentsIsRefused) {
    UniqueVariant extra = UniqueVariant::FromLong(1);
    struct Case {
        DISPID dispid;
        WORD flags;
        std::vector<VARIANT> args;
    } cases[] = {
        {kDispidText, DISPATCH_PROPERTYGET, {*extra.Get()}},
        {kDispidText, DISPATCH_PROPERTYPUT, {}},
        {kDispidIsValidName, DISPATCH_METHOD, {}},
        {kDispidRepeat, DISPATCH_METHOD, {*extra.Get()}},
        {kDispidRepeat, DISPATCH_METHOD, {*extra.Get(), *extra.Get(), *extra.Get()}},
    };
    for (const Case& c : cases) EXPECT_EQ(Call(Dispatch(), c.dispid, c.flags, c.args).hr, DISP_E_BADPARAMCOUNT) << c.dispid;
}

TEST_F(DispatchTest, AnArgumentThatDoesNotConvertIsNamedByItsPlaceInRgvarg) {
    BSTR text = SysAllocString(u"x");
    UniqueVariant notNumber = UniqueVariant::FromString(u"abc");
    UniqueVariant tooLarge = UniqueVariant::FromLong(40000);
    UniqueVariant null = UniqueVariant::Null();
    UniqueVariant delimiter = UniqueVariant::FromString(u";");
    UniqueSafeArray parts;
    struct Case {
        DISPID dispid;
        std::vector<VARIANT> args;
        HRESULT hr;
        UINT argErr;
    } cases[] = {
        {kDispidRepeat, {ByRef(VT_BSTR, &text), *notNumber.Get()}, DISP_E_TYPEMISMATCH, 0},
        {kDispidRepeat, {ByRef(VT_BSTR, &text), *tooLarge.Get()}, DISP_E_OVERFLOW, 0},
        {kDispidSplit, {ByRef(VT_ARRAY | VT_BSTR, parts.Put()), *null.Get(), *delimiter.Get()}, DISP_E_TYPEMISMATCH, 1},
        {kDispidSplit, {*notNumber.Get(), *delimiter.Get(), *delimiter.Get()}, DISP_E_TYPEMISMATCH, 2},
    };
    for (const Case& c : cases) {
        Outcome out = Call(Dispatch(), c.dispid, DISPATCH_METHOD, c.args);
        EXPECT_EQ(out.hr, c.hr) << c.dispid;
        EXPECT_EQ(out.argErr, c.argErr) << c.dispid;
        EXPECT_EQ(out.excep.scode, 0);  // the member never ran
    }
    EXPECT_EQ(Text(text), u"x");
    SysFreeString(text);
}

TEST_F(DispatchTest, MembersThatDoNotExistForTheCall) {
    UniqueVariant value = UniqueVariant::FromLong(1);
    EXPECT_EQ(Call(Dispatch(), 12345, DISPATCH_METHOD | DISPATCH_PROPERTYGET).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(Dispatch(), kDispidIsValidName, DISPATCH_PROPERTYPUT, {*value.Get()}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(Dispatch(), kDispidText, DISPATCH_METHOD).hr, DISP_E_MEMBERNOTFOUND);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(Dispatch()->Invoke(kDispidText, IID_ITestWidget, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr,
                                 nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, AFailingMemberSurfacesAsAnExceptionWithItsErrorInformation) {
    UniqueVariant code = UniqueVariant::FromLong(CTL_E_INVALIDPROPERTYVALUE);
    Outcome fail = Call(Dispatch(), kDispidFail, DISPATCH_METHOD, {*code.Get()});
    EXPECT_EQ(fail.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(fail.excep.scode, CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(Text(fail.excep.bstrDescription), u"Widget failed");
    EXPECT_EQ(Text(fail.excep.bstrSource), u"Test.Widget");
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.GetAddressOf()), S_FALSE);  // handed over into the EXCEPINFO

    UniqueVariant negative = UniqueVariant::FromShort(-1);
    Outcome refused = Call(Dispatch(), kDispidCount, DISPATCH_PROPERTYPUT, {*negative.Get()});
    EXPECT_EQ(refused.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(refused.excep.scode, CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(Text(refused.excep.bstrDescription), u"Invalid property value");
    EXPECT_EQ(widget_->count, 0);
}

TEST_F(DispatchTest, WithoutRoomForTheExceptionTheMembersErrorReturns) {
    UniqueVariant code = UniqueVariant::FromLong(E_ACCESSDENIED);
    EXPECT_EQ(Call(Dispatch(), kDispidFail, DISPATCH_METHOD, {*code.Get()}, false).hr, E_ACCESSDENIED);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.GetAddressOf()), S_OK);  // left for the caller
}

TEST(DispatchWithoutErrorInfo, AFailingMembersErrorReturnsAsItIs) {
    ComPtr<PlainWidget> plain = platform::com::Make<PlainWidget>();
    UniqueVariant code = UniqueVariant::FromLong(CTL_E_OVERFLOW);
    Outcome fail = Call(static_cast<ITestWidget*>(plain.Get()), kDispidFail, DISPATCH_METHOD, {*code.Get()});
    EXPECT_EQ(fail.hr, CTL_E_OVERFLOW);
    EXPECT_EQ(fail.excep.scode, 0);
    SetErrorInfo(0, nullptr);
}

TEST_F(DispatchTest, AnObjectConvertsThroughItsDefaultMember) {
    widget_->value.vt = VT_BSTR;
    widget_->value.bstrVal = SysAllocString(u"42");
    VARIANT object;
    VariantInit(&object);
    object.vt = VT_DISPATCH;
    object.pdispVal = Dispatch();
    UniqueVariant number;
    ASSERT_EQ(VariantChangeType(number.Get(), &object, 0, VT_I4), S_OK);
    EXPECT_EQ(number->lVal, 42);
    EXPECT_EQ(VariantChangeType(number.Get(), &object, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    UniqueVariant unknown;
    ASSERT_EQ(VariantChangeType(unknown.Get(), &object, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(unknown.Type(), VT_UNKNOWN);
}

TEST_F(DispatchTest, TypeInfoOfTheInterface) {
    UINT count = 0;
    ASSERT_EQ(Dispatch()->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(Dispatch()->GetTypeInfo(0, 0, info.GetAddressOf()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, IID_ITestWidget);
    info->ReleaseTypeAttr(attr);
    ComPtr<ITypeInfo> none;
    EXPECT_EQ(Dispatch()->GetTypeInfo(1, 0, none.GetAddressOf()), DISP_E_BADINDEX);
}

}  // namespace
