// The tab dialog: pages, a person's click on a tab with its mouse notifications, code's page changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error_report.h"
#include "event_log.h"
#include "platform/forms/forms.h"
#include "winerror.h"

using namespace platform::forms;
using formstest::ErrorReport;
using formstest::EventLog;
using formstest::TakeErrorReport;

namespace {

class TabDialogTest : public testing::Test {
protected:
    TabDialogTest() : tabs(form.Add<TabDialog>(u"Tabs")) {
        EXPECT_EQ(tabs.Move(0, 0, 7695, 3015), S_OK);
        for (SHORT i = 0; i < 3; ++i)
            EXPECT_EQ(tabs.SetTabCaption(i, std::u16string(i == 0 ? u"Main" : i == 1 ? u"Advanced" : u"Configuration")),
                      S_OK);
        log.Watch(tabs);
    }
    Form form{u"Form"};
    TabDialog& tabs;
    EventLog log;
};

TEST_F(TabDialogTest, ClickOnAnotherTabRaisesMouseDownPageChangeMouseUpInOrder) {
    // The tab is current by the time MouseUp arrives, which is when a host rebuilds its keyboard order.
    SHORT tabAtMouseDown = -1;
    SHORT tabAtMouseUp = -1;
    tabs.MouseDown.Add([&](SHORT, SHORT, float, float) { tabAtMouseDown = tabs.Tab(); });
    tabs.MouseUp.Add([&](SHORT, SHORT, float, float) { tabAtMouseUp = tabs.Tab(); });
    EXPECT_TRUE(tabs.ClickAt(3000, 100, kLeftButton, kShiftMask));  // the second of three tabs of 2565 twips
    EXPECT_EQ(tabs.Tab(), 1);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Tabs.MouseDown(1,1,3000,100)", "Tabs.Click(0)",
                                                    "Tabs.MouseUp(1,1,3000,100)"}));
    EXPECT_EQ(tabAtMouseDown, 0);
    EXPECT_EQ(tabAtMouseUp, 1);
    EXPECT_EQ(form.FocusedControl(), &tabs);
}

TEST_F(TabDialogTest, ClickTabAimsAtTheMiddleOfTheTab) {
    EXPECT_TRUE(tabs.ClickTab(2));
    EXPECT_EQ(tabs.Tab(), 2);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Tabs.MouseDown(1,0,6412,150)", "Tabs.Click(0)",
                                                    "Tabs.MouseUp(1,0,6412,150)"}));
}

TEST_F(TabDialogTest, ClicksThatChangeNoPageRaiseOnlyMouseNotifications) {
    EXPECT_TRUE(tabs.ClickTab(0));                             // the current tab
    EXPECT_TRUE(tabs.ClickAt(3000, 1500));                     // on the page, below the tabs
    EXPECT_TRUE(tabs.ClickTab(1, kRightButton));               // the right button turns no page
    EXPECT_EQ(tabs.Tab(), 0);
    const auto entries = log.Take();
    ASSERT_EQ(entries.size(), 6u);
    for (const std::string& entry : entries) EXPECT_EQ(entry.find("Click("), std::string::npos) << entry;
}

TEST_F(TabDialogTest, CodeChangesThePageWithClickAndRefusesIndexesOutOfRange) {
    ASSERT_EQ(tabs.SetTab(2), S_OK);
    ASSERT_EQ(tabs.SetTab(2), S_OK);
    EXPECT_EQ(tabs.SetTab(3), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(tabs.SetTab(-1), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(tabs.Tab(), 2);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Tabs.Click(0)"});
    EXPECT_EQ(tabs.SetTabCaption(3, u"x"), CTL_E_INVALIDPROPERTYARRAYINDEX);
    EXPECT_EQ(TakeErrorReport(), (ErrorReport{u"Invalid property array index", u"Form"}));
    EXPECT_EQ(tabs.TabCaption(3), u"");
    EXPECT_EQ(tabs.TabCaption(1), u"Advanced");
}

TEST_F(TabDialogTest, OnlyTheCurrentPagesControlsAreShownAndReachable) {
    auto& onMain = tabs.Page(0).Add<CheckBox>(u"OnMain");
    auto& frame = tabs.Page(1).Add<Frame>(u"Frame");
    auto& onAdvanced = frame.Add<CheckBox>(u"OnAdvanced");
    EXPECT_TRUE(onMain.Shown());
    EXPECT_FALSE(onAdvanced.Shown());
    EXPECT_TRUE(onAdvanced.EffectivelyVisible());
    EXPECT_FALSE(onAdvanced.ClickBox());
    EXPECT_TRUE(tabs.ClickTab(1));
    EXPECT_FALSE(onMain.Shown());
    EXPECT_TRUE(onAdvanced.ClickBox());
    EXPECT_EQ(onAdvanced.Value(), kChecked);
    // A disabled dialog takes its pages with it, and takes no click itself.
    tabs.SetEnabled(false);
    EXPECT_FALSE(onAdvanced.EffectivelyEnabled());
    EXPECT_FALSE(tabs.ClickTab(0));
    EXPECT_EQ(tabs.Tab(), 1);
}

TEST_F(TabDialogTest, AMouseDownHandlerThatRemovesTheTabLeavesTheClickSafe) {
    // The tab under the pointer is read after MouseDown: with the third tab gone, the point lies on the
    // second of two wider tabs.
    tabs.MouseDown.Add([&](SHORT, SHORT, float, float) { tabs.SetTabs(2); });
    EXPECT_TRUE(tabs.ClickTab(2));
    EXPECT_EQ(tabs.Tabs(), 2);
    EXPECT_EQ(tabs.Tab(), 1);
}

TEST_F(TabDialogTest, FewerTabsRefuseToDropAPageThatHoldsControls) {
    tabs.Page(2).Add<Label>(u"Label");
    EXPECT_EQ(tabs.SetTabs(2), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(tabs.SetTabs(0), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(tabs.Tabs(), 3);
    ASSERT_EQ(tabs.SetTabs(5), S_OK);
    EXPECT_EQ(tabs.TabCaption(4), u"Tab 4");
    ASSERT_EQ(tabs.SetTab(4), S_OK);
    ASSERT_EQ(tabs.SetTabs(3), S_OK);  // the current page goes: the last remaining one becomes current
    EXPECT_EQ(tabs.Tab(), 2);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Tabs.Click(0)", "Tabs.Click(4)"}));
}

}  // namespace
