// What only the control's own code sees: its member table against its C++ interface, and the changed
// flag that no interface of the control exposes.
#include <gtest/gtest.h>

#include "QlmUI.h"
#include "TypeLibrary.h"
#include "platform/com_object.h"

namespace {

using platform::com::ComPtr;

TEST(MemberTable, AgreesWithTheDualVtable) {
    EXPECT_EQ(platform::com::CheckInterfaceTable(qlmcontrol::QlmUIInterface()), "");
    // The table's first member follows IDispatch's seven entries; its last is the vtable's last.
    const auto members = qlmcontrol::QlmUIInterface().members;
    ASSERT_EQ(members.size(), 37u);
    EXPECT_EQ(members.front().vtableSlot, 7u);
    EXPECT_EQ(members.back().vtableSlot, platform::com::VtableSlot(&_QlmUI::put_ShowPopUpValue));
}

class ChangedFlag : public testing::Test {
protected:
    ChangedFlag() : control(platform::com::Make<qlmcontrol::QlmUI>()) {}
    ComPtr<qlmcontrol::QlmUI> control;
};

TEST_F(ChangedFlag, APutMarksItAndASaveThatClearsItClearsIt) {
    ASSERT_EQ(control->InitNew(), S_OK);
    EXPECT_FALSE(control->IsDirty());
    ASSERT_EQ(control->put_Mode(0), S_OK);  // the value it had: still a put
    EXPECT_TRUE(control->IsDirty());

    class NullBag final : public platform::com::Implements<NullBag, IPropertyBag> {
    public:
        STDMETHODIMP Read(LPCOLESTR, VARIANT*, IErrorLog*) override { return E_INVALIDARG; }
        STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return S_OK; }
    };
    ComPtr<NullBag> bag = platform::com::Make<NullBag>();
    ASSERT_EQ(control->Save(bag.Get(), FALSE, FALSE), S_OK);
    EXPECT_TRUE(control->IsDirty());
    ASSERT_EQ(control->Save(bag.Get(), TRUE, FALSE), S_OK);
    EXPECT_FALSE(control->IsDirty());

    ASSERT_EQ(control->put_RememberMeValue(1), S_OK);
    ASSERT_EQ(control->Load(bag.Get(), nullptr), S_OK);
    EXPECT_FALSE(control->IsDirty()) << "a loaded control holds what its bag holds";
}

TEST_F(ChangedFlag, APersonsEditOrARefusedPutDoesNotMarkIt) {
    ASSERT_EQ(control->InitNew(), S_OK);
    BSTR control_ = SysAllocString(u"UserCombo");
    BSTR gesture = SysAllocString(u"type");
    BSTR argument = SysAllocString(u"ann@example.com");
    EXPECT_EQ(control->Perform(control_, gesture, argument), S_OK);
    SysFreeString(control_);
    SysFreeString(gesture);
    SysFreeString(argument);
    EXPECT_EQ(control->put_RememberMeValue(5), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_FALSE(control->IsDirty());
}

}  // namespace
