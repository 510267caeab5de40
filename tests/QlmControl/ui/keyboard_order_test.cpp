// The keyboard order by page: what Tab visits among the fourteen managed controls after creation, after a
// click on each tab, and after a change of page by keyboard alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SettingsForm.h"
#include "platform/forms/forms.h"
#include "platform/utf.h"

using namespace platform::forms;
using qlmcontrol::SettingsForm;

namespace {

const std::vector<std::string> kManaged = {"UserCombo",   "Password",          "RMCheck",    "Readers",
                                           "AddButton",   "BeforeCheck",       "DTPickerNotBefore",
                                           "AfterCheck",  "DTPickerNotAfter",  "RRCheck",    "OptionIE",
                                           "OptionCustom", "ProxyServer",      "ProxyPort"};

// The managed controls that Tab visits, in order, in one round from the focused control.
std::vector<std::string> ManagedTabRound(Form& form) {
    std::vector<std::string> visited;
    const Control* start = form.FocusedControl();
    for (std::size_t press = 0; press < form.TabOrder().size(); ++press) {
        const Control* now = form.PressTab();
        if (now == start) break;
        const std::string name = platform::Utf16ToUtf8(now->Name()).value_or("?");
        if (std::find(kManaged.begin(), kManaged.end(), name) != kManaged.end()) visited.push_back(name);
    }
    return visited;
}

enum class Setup { None, NotAfterSwitchedOff, ModeOnePainted };

struct OrderCase {
    const char* what;
    Setup setup;
    int tabClicked;  // -1: none since creation
    std::vector<std::string> managedRound;
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.what; }

class TabWalk : public testing::TestWithParam<OrderCase> {};

TEST_P(TabWalk, VisitsExactlyThePagesSequenceOfManagedControlsSkippingDisabledOnes) {
    const OrderCase& c = GetParam();
    SettingsForm settings;
    if (c.setup == Setup::NotAfterSwitchedOff) {
        ASSERT_EQ(settings.AfterCheck.SetValue(kChecked), S_OK);
        ASSERT_EQ(settings.AfterCheck.SetValue(kUnchecked), S_OK);
    }
    if (c.setup == Setup::ModeOnePainted) {
        settings.SetMode(1);
        ASSERT_EQ(settings.Painted(), S_OK);
    }
    if (c.tabClicked >= 0) {
        ASSERT_EQ(PerformGesture(settings.Surface(), u"SSTab1", u"clicktab", std::u16string(1, u'0' + c.tabClicked)),
                  S_OK);
    } else {
        ASSERT_EQ(settings.Surface().SetFocus(settings.SSTab1), S_OK);
    }
    EXPECT_EQ(ManagedTabRound(settings.Surface()), c.managedRound);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TabWalk,
    testing::Values(
        OrderCase{"after_creation", Setup::None, -1, {"UserCombo", "Password", "RMCheck", "Readers", "AddButton"}},
        OrderCase{"main_clicked", Setup::None, 0, {"UserCombo", "Password", "RMCheck", "Readers", "AddButton"}},
        OrderCase{"advanced_clicked", Setup::None, 1,
                  {"BeforeCheck", "DTPickerNotBefore", "AfterCheck", "DTPickerNotAfter", "RRCheck"}},
        OrderCase{"configuration_clicked", Setup::None, 2, {"OptionIE", "OptionCustom", "ProxyServer", "ProxyPort"}},
        OrderCase{"advanced_with_an_end_switched_off", Setup::NotAfterSwitchedOff, 1,
                  {"BeforeCheck", "DTPickerNotBefore", "AfterCheck", "RRCheck"}},
        OrderCase{"main_in_mode_one", Setup::ModeOnePainted, 0, {"UserCombo", "Password", "RMCheck"}},
        OrderCase{"advanced_in_mode_one", Setup::ModeOnePainted, 1, {}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(TabWalkByKeyboard, AChangeOfPageByKeyboardAloneKeepsThePreviousOrder) {
    SettingsForm settings;
    Form& form = settings.Surface();
    ASSERT_EQ(PerformGesture(form, u"SSTab1", u"clicktab", u"1"), S_OK);
    ASSERT_EQ(PerformGesture(form, {}, u"ctrltab", {}), S_OK);
    ASSERT_EQ(settings.SSTab1.Tab(), 2);
    EXPECT_EQ(ManagedTabRound(form),
              (std::vector<std::string>{"BeforeCheck", "DTPickerNotBefore", "AfterCheck", "DTPickerNotAfter", "RRCheck"}));

    // A click on the page already current rebuilds too: the order then follows the page.
    ASSERT_EQ(PerformGesture(form, u"SSTab1", u"clicktab", u"2"), S_OK);
    EXPECT_EQ(ManagedTabRound(form), (std::vector<std::string>{"OptionIE", "OptionCustom", "ProxyServer", "ProxyPort"}));
}

TEST(TabWalkByKeyboard, ThePagesOwnProceduresSetTheirOrderWhateverPageIsCurrent) {
    SettingsForm settings;
    ASSERT_EQ(settings.ClearTabStops(), S_OK);
    ASSERT_EQ(settings.Surface().SetFocus(settings.SSTab1), S_OK);
    EXPECT_TRUE(ManagedTabRound(settings.Surface()).empty());
    ASSERT_EQ(settings.SetConfigurationTabOrder(), S_OK);
    EXPECT_EQ(ManagedTabRound(settings.Surface()),
              (std::vector<std::string>{"OptionIE", "OptionCustom", "ProxyServer", "ProxyPort"}));
    EXPECT_EQ(settings.ProxyPort.TabIndex(), 3);
}

}  // namespace
