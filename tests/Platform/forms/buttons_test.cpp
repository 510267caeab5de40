// Check boxes, option buttons grouped by container, and command buttons.
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

struct CheckCase {
    SHORT from;
    SHORT to;
    HRESULT result;
    SHORT after;
    bool click;
};
void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.from << " -> " << c.to; }

class CheckBoxValues : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckBoxValues, AcceptsZeroOneTwoAndClicksOnRealChanges) {
    const CheckCase& c = GetParam();
    Form form(u"Form");
    form.SetErrorSource(u"Host.Control");
    auto& box = form.Add<CheckBox>(u"Check");
    ASSERT_EQ(box.SetValue(c.from), S_OK);
    EventLog log;
    log.Watch(box);
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(box.SetValue(c.to), c.result);
    EXPECT_EQ(box.Value(), c.after);
    EXPECT_EQ(log.Entries(), c.click ? std::vector<std::string>{"Check.Click"} : std::vector<std::string>{});
    // A refusal leaves its description and source for the host; an accepted value leaves nothing.
    if (FAILED(c.result))
        EXPECT_EQ(TakeErrorReport(), (ErrorReport{u"Invalid property value", u"Host.Control"}));
    else
        EXPECT_EQ(TakeErrorReport(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckBoxValues,
                         testing::Values(CheckCase{0, 1, S_OK, 1, true}, CheckCase{1, 0, S_OK, 0, true},
                                         CheckCase{0, 2, S_OK, 2, true}, CheckCase{1, 1, S_OK, 1, false},
                                         CheckCase{0, 0, S_OK, 0, false},
                                         CheckCase{1, 5, CTL_E_INVALIDPROPERTYVALUE, 1, false},
                                         CheckCase{0, 3, CTL_E_INVALIDPROPERTYVALUE, 0, false},
                                         CheckCase{2, -1, CTL_E_INVALIDPROPERTYVALUE, 2, false},
                                         CheckCase{1, -32768, CTL_E_INVALIDPROPERTYVALUE, 1, false}));

TEST(CheckBox, APersonsClickTogglesAndGreyedBecomesUnchecked) {
    Form form(u"Form");
    auto& box = form.Add<CheckBox>(u"Check");
    EventLog log;
    log.Watch(box);
    std::vector<SHORT> values;
    box.Click.Add([&] { values.push_back(box.Value()); });
    EXPECT_TRUE(box.ClickBox());
    EXPECT_TRUE(box.ClickBox());
    ASSERT_EQ(box.SetValue(kGrayed), S_OK);
    EXPECT_TRUE(box.ClickBox());
    EXPECT_EQ(values, (std::vector<SHORT>{1, 0, 2, 0}));
    EXPECT_EQ(log.Entries().size(), 4u);
}

TEST(CheckBox, AClickInADisabledFrameDoesNothing) {
    Form form(u"Form");
    auto& frame = form.Add<Frame>(u"Frame");
    auto& box = frame.Add<CheckBox>(u"Check");
    frame.SetEnabled(false);
    EXPECT_TRUE(box.Enabled());
    EXPECT_FALSE(box.EffectivelyEnabled());
    EXPECT_FALSE(box.ClickBox());
    EXPECT_EQ(box.Value(), kUnchecked);
    frame.SetEnabled(true);
    EXPECT_TRUE(box.ClickBox());
    EXPECT_EQ(box.Value(), kChecked);
}

// Two groups: the form's own option buttons and a frame's.
class OptionGroups : public testing::Test {
protected:
    OptionGroups()
        : formA(form.Add<OptionButton>(u"FormA")),
          formB(form.Add<OptionButton>(u"FormB")),
          frame(form.Add<Frame>(u"Frame")),
          frameA(frame.Add<OptionButton>(u"FrameA")),
          frameB(frame.Add<OptionButton>(u"FrameB")) {
        for (OptionButton* option : {&formA, &formB, &frameA, &frameB}) log.Watch(*option);
    }
    std::vector<bool> Values() const { return {formA.Value(), formB.Value(), frameA.Value(), frameB.Value()}; }

    Form form{u"Form"};
    OptionButton& formA;
    OptionButton& formB;
    Frame& frame;
    OptionButton& frameA;
    OptionButton& frameB;
    EventLog log;
};

TEST_F(OptionGroups, SelectingOneDeselectsOnlyTheOthersOfItsContainer) {
    formA.SetValue(true);
    frameA.SetValue(true);
    EXPECT_EQ(Values(), (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(frameB.ClickButton());
    EXPECT_EQ(Values(), (std::vector<bool>{true, false, false, true}));
    formB.SetValue(true);
    EXPECT_EQ(Values(), (std::vector<bool>{false, true, false, true}));
    // Only the newly selected button clicks; deselection raises nothing.
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"FormA.Click", "FrameA.Click", "FrameB.Click", "FormB.Click"}));
}

TEST_F(OptionGroups, FalseOnlyDeselectsAndReselectingRaisesNothing) {
    formA.SetValue(true);
    log.Take();
    formA.SetValue(true);
    EXPECT_TRUE(formA.ClickButton());
    formA.SetValue(false);
    formB.SetValue(false);
    EXPECT_EQ(Values(), (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(OptionGroups, AClickHandlerMaySelectAnotherButtonOfTheGroup) {
    formA.Click.Add([&] { formB.SetValue(true); });
    formA.SetValue(true);
    EXPECT_EQ(Values(), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"FormA.Click", "FormB.Click"}));
}

TEST(CommandButton, ClickReachesOnlyAnEnabledShownButton) {
    Form form(u"Form");
    auto& button = form.Add<CommandButton>(u"Add");
    int clicks = 0;
    button.Click.Add([&] { ++clicks; });
    EXPECT_TRUE(button.ClickButton());
    button.SetVisible(false);
    EXPECT_FALSE(button.ClickButton());
    button.SetVisible(true);
    form.SetEnabled(false);
    EXPECT_FALSE(button.ClickButton());
    EXPECT_EQ(clicks, 1);
}

}  // namespace
