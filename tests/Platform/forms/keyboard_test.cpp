// The form's one TabIndex sequence, Tab and Shift+Tab over it, Ctrl+Tab on a tab dialog, and the focus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "event_log.h"
#include "platform/forms/forms.h"
#include "winerror.h"

using namespace platform::forms;
using formstest::EventLog;
using formstest::Utf8;

namespace {

std::vector<std::string> OrderOf(const Form& form) {
    std::vector<std::string> names;
    for (const Control* control : form.TabOrder()) {
        EXPECT_EQ(control->TabIndex(), static_cast<SHORT>(names.size())) << Utf8(control->Name());
        names.push_back(Utf8(control->Name()));
    }
    return names;
}

struct Renumbering {
    const char* what;
    const char16_t* control;
    SHORT index;
    std::vector<std::string> order;
};

void PrintTo(const Renumbering& r, std::ostream* os) { *os << r.what; }

class TabIndexRenumbering : public testing::TestWithParam<Renumbering> {};

TEST_P(TabIndexRenumbering, MovesTheControlAndRenumbersTheRest) {
    Form form(u"Form");
    for (const char16_t* name : {u"A", u"B", u"C", u"D", u"E"}) form.Add<TextBox>(name);
    ASSERT_EQ(OrderOf(form), (std::vector<std::string>{"A", "B", "C", "D", "E"}));

    EXPECT_EQ(form.Find(GetParam().control)->SetTabIndex(GetParam().index), S_OK);
    EXPECT_EQ(OrderOf(form), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TabIndexRenumbering,
    testing::Values(Renumbering{"up", u"D", 1, {"A", "D", "B", "C", "E"}},
                    Renumbering{"to_the_front", u"C", 0, {"C", "A", "B", "D", "E"}},
                    Renumbering{"down", u"B", 3, {"A", "C", "D", "B", "E"}},
                    Renumbering{"to_the_end", u"A", 4, {"B", "C", "D", "E", "A"}},
                    Renumbering{"beyond_the_end", u"B", 100, {"A", "C", "D", "E", "B"}},
                    Renumbering{"same_place", u"C", 2, {"A", "B", "C", "D", "E"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(TabIndex, NegativeIndexIsRefusedAndChangesNothing) {
    Form form(u"Form");
    form.Add<TextBox>(u"A");
    auto& b = form.Add<TextBox>(u"B");
    EXPECT_EQ(b.SetTabIndex(-1), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(OrderOf(form), (std::vector<std::string>{"A", "B"}));
}

TEST(TabIndex, AssigningFromZeroInTurnPutsControlsAtTheFrontInThatOrder) {
    // How a hosting control sets up a page's keyboard order: give each control its place in turn.
    Form form(u"Form");
    auto& frame = form.Add<Frame>(u"Frame");
    for (const char16_t* name : {u"A", u"B", u"C", u"D", u"E"}) frame.Add<TextBox>(name);
    SHORT next = 0;
    for (const char16_t* name : {u"E", u"C", u"A"}) ASSERT_EQ(form.Find(name)->SetTabIndex(next++), S_OK);
    EXPECT_EQ(OrderOf(form), (std::vector<std::string>{"E", "C", "A", "Frame", "B", "D"}));
}

TEST(TabIndex, ControlsOfEveryContainerShareTheFormsSequence) {
    Form form(u"Form");
    auto& tabs = form.Add<TabDialog>(u"Tabs", SHORT{2});
    auto& frame = tabs.Page(1).Add<Frame>(u"Frame");
    frame.Add<Label>(u"Label");
    tabs.Page(0).Add<CheckBox>(u"Check");
    EXPECT_EQ(OrderOf(form), (std::vector<std::string>{"Tabs", "Frame", "Label", "Check"}));
    EXPECT_EQ(form.TabIndex(), -1);
    EXPECT_EQ(tabs.Page(0).TabIndex(), -1);
    EXPECT_EQ(tabs.Page(0).SetTabIndex(0), CTL_E_ILLEGALFUNCTIONCALL);
}

// A form where Tab must skip all but a few controls.
class TabNavigation : public testing::Test {
protected:
    TabNavigation() {
        auto& first = form.Add<TextBox>(u"First");
        form.Add<Label>(u"Caption");
        form.Add<TextBox>(u"Disabled").SetEnabled(false);
        form.Add<TextBox>(u"Hidden").SetVisible(false);
        form.Add<TextBox>(u"NoStop").SetTabStop(false);
        auto& disabledFrame = form.Add<Frame>(u"DisabledFrame");
        disabledFrame.Add<TextBox>(u"InDisabledFrame");
        disabledFrame.SetEnabled(false);
        auto& hiddenFrame = form.Add<Frame>(u"HiddenFrame");
        hiddenFrame.Add<CheckBox>(u"InHiddenFrame");
        hiddenFrame.SetVisible(false);
        tabs = &form.Add<TabDialog>(u"Tabs", SHORT{2});
        tabs->Page(0).Add<TextBox>(u"OnPage0");
        tabs->Page(1).Add<TextBox>(u"OnPage1");
        form.Add<CheckBox>(u"Check");
        form.Add<CommandButton>(u"Button");
        (void)first;
    }

    std::vector<std::string> Visit(int presses, bool shift = false) {
        std::vector<std::string> visited;
        for (int i = 0; i < presses; ++i) {
            Control* focused = form.PressTab(shift);
            visited.push_back(focused != nullptr ? Utf8(focused->Name()) : "(none)");
        }
        return visited;
    }

    Form form{u"Form"};
    TabDialog* tabs = nullptr;
};

TEST_F(TabNavigation, TabVisitsOnlyUsableStopsInOrderAndWraps) {
    // The hidden page's control stays in the keyboard order: the tab dialog only moves it out of sight.
    EXPECT_EQ(Visit(8), (std::vector<std::string>{"First", "Tabs", "OnPage0", "OnPage1", "Check", "Button", "First",
                                                  "Tabs"}));
    EXPECT_FALSE(form.Find(u"OnPage1")->Shown());
}

TEST_F(TabNavigation, ShiftTabVisitsTheSameStopsBackwards) {
    EXPECT_EQ(Visit(7, true),
              (std::vector<std::string>{"Button", "Check", "OnPage1", "OnPage0", "Tabs", "First", "Button"}));
}

TEST_F(TabNavigation, ChangesOfStateTakeEffectAtTheNextPress) {
    form.Find(u"DisabledFrame")->SetEnabled(true);
    form.Find(u"NoStop")->SetTabStop(true);
    tabs->SetEnabled(false);  // takes its pages' controls with it
    form.Find(u"Check")->SetTabIndex(0);
    EXPECT_EQ(Visit(6), (std::vector<std::string>{"Check", "First", "NoStop", "InDisabledFrame", "Button", "Check"}));
}

TEST_F(TabNavigation, FocusStaysWhenNoControlQualifies) {
    for (Control* control : form.TabOrder()) control->SetTabStop(false);
    EXPECT_EQ(form.PressTab(), nullptr);
    ASSERT_EQ(form.SetFocus(*form.Find(u"Check")), S_OK);
    EXPECT_EQ(form.PressTab(), form.Find(u"Check"));
}

TEST_F(TabNavigation, SetFocusRefusesWhatCannotHoldTheFocus) {
    for (const char16_t* name : {u"Caption", u"Disabled", u"Hidden", u"InDisabledFrame", u"DisabledFrame"})
        EXPECT_EQ(form.SetFocus(*form.Find(name)), CTL_E_ILLEGALFUNCTIONCALL) << Utf8(name);
    EXPECT_EQ(form.FocusedControl(), nullptr);
    // A tab stop is no condition for code's SetFocus, nor is the page being shown.
    EXPECT_EQ(form.SetFocus(*form.Find(u"NoStop")), S_OK);
    EXPECT_EQ(form.SetFocus(*form.Find(u"OnPage1")), S_OK);
    EXPECT_TRUE(form.Find(u"OnPage1")->Focused());
}

TEST_F(TabNavigation, AGestureMovesTheFocusToItsControl) {
    auto& check = *static_cast<CheckBox*>(form.Find(u"Check"));
    ASSERT_TRUE(check.ClickBox());
    EXPECT_EQ(form.FocusedControl(), &check);
    EXPECT_EQ(Visit(1), std::vector<std::string>{"Button"});
}

TEST_F(TabNavigation, CtrlTabTurnsThePageOfTheDialogHoldingTheFocusWithoutMouseNotifications) {
    EventLog log;
    log.Watch(*tabs);
    ASSERT_EQ(form.SetFocus(*form.Find(u"OnPage0")), S_OK);
    EXPECT_TRUE(form.PressCtrlTab());
    EXPECT_EQ(tabs->Tab(), 1);
    EXPECT_TRUE(form.PressCtrlTab());  // wraps around
    EXPECT_EQ(tabs->Tab(), 0);
    EXPECT_TRUE(form.PressCtrlTab(true));  // backwards, wrapping
    EXPECT_EQ(tabs->Tab(), 1);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Tabs.Click(0)", "Tabs.Click(1)", "Tabs.Click(0)"}));
    // The focus stays where it was, now on a page out of sight.
    EXPECT_EQ(form.FocusedControl(), form.Find(u"OnPage0"));
}

TEST_F(TabNavigation, CtrlTabOutsideATabDialogOrOnADisabledOneDoesNothing) {
    EventLog log;
    log.Watch(*tabs);
    ASSERT_EQ(form.SetFocus(*form.Find(u"First")), S_OK);
    EXPECT_FALSE(form.PressCtrlTab());
    ASSERT_EQ(form.SetFocus(*tabs), S_OK);
    tabs->SetEnabled(false);
    EXPECT_FALSE(form.PressCtrlTab());
    EXPECT_EQ(tabs->Tab(), 0);
    EXPECT_TRUE(log.Entries().empty());
}

}  // namespace
