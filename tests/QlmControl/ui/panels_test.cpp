// The rules of the time window, the notification and the proxy panels, as a person works them and as code
// changes the governing children.
#include <gtest/gtest.h>

#include <string>

#include "SettingsForm.h"
#include "platform/forms/forms.h"

using namespace platform::forms;
using qlmcontrol::SettingsForm;

namespace {

// Days of July 2008 as automation dates.
constexpr DATE July(int day) { return 39629.0 + day; }
static_assert(July(18) == 39647.0);

class PanelGestures : public testing::Test {
protected:
    PanelGestures() { EXPECT_EQ(settings.SSTab1.SetTab(1), S_OK); }
    HRESULT Perform(std::u16string_view control, std::u16string_view gesture, std::u16string_view argument = {}) {
        return PerformGesture(settings.Surface(), control, gesture, argument);
    }
    SettingsForm settings;
};

// ---- Keeping the window ordered -----------------------------------------------------------------

enum class Edited { NotBefore, NotAfter };

struct WindowCase {
    const char* what;
    SHORT beforeCheck, afterCheck;
    DATE notBefore, notAfter;
    Edited edited;
    const char16_t* editedTo;
    DATE notBeforeAfter, notAfterAfter;
    SHORT beforeCheckAfter, afterCheckAfter;
};

void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.what; }

class DateEdited : public PanelGestures, public testing::WithParamInterface<WindowCase> {};

TEST_P(DateEdited, ChecksItsEndAndKeepsTheWindowOrdered) {
    const WindowCase& c = GetParam();
    ASSERT_EQ(settings.BeforeCheck.SetValue(c.beforeCheck), S_OK);
    ASSERT_EQ(settings.AfterCheck.SetValue(c.afterCheck), S_OK);
    ASSERT_EQ(settings.DTPickerNotBefore.SetValue(c.notBefore), S_OK);
    ASSERT_EQ(settings.DTPickerNotAfter.SetValue(c.notAfter), S_OK);
    const DATE timeBefore = settings.TimePickerNotBefore.Value();
    const DATE timeAfter = settings.TimePickerNotAfter.Value();

    ASSERT_EQ(Perform(c.edited == Edited::NotBefore ? u"DTPickerNotBefore" : u"DTPickerNotAfter", u"editdate",
                      c.editedTo),
              S_OK);
    EXPECT_EQ(settings.DTPickerNotBefore.Value(), c.notBeforeAfter);
    EXPECT_EQ(settings.DTPickerNotAfter.Value(), c.notAfterAfter);
    EXPECT_EQ(settings.BeforeCheck.Value(), c.beforeCheckAfter);
    EXPECT_EQ(settings.AfterCheck.Value(), c.afterCheckAfter);
    // The edit switched its end on: both its pickers are enabled.
    const bool editedEndEnabled = c.edited == Edited::NotBefore
                                      ? settings.DTPickerNotBefore.Enabled() && settings.TimePickerNotBefore.Enabled()
                                      : settings.DTPickerNotAfter.Enabled() && settings.TimePickerNotAfter.Enabled();
    EXPECT_TRUE(editedEndEnabled);
    EXPECT_EQ(settings.TimePickerNotBefore.Value(), timeBefore);
    EXPECT_EQ(settings.TimePickerNotAfter.Value(), timeAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateEdited,
    testing::Values(
        WindowCase{"after_before_a_checked_before_is_pulled_back", 1, 1, July(10), July(18), Edited::NotAfter,
                   u"2008-07-05", July(10), July(10), 1, 1},
        WindowCase{"after_before_an_unchecked_before_pushes_it_along", 0, 1, July(10), July(18), Edited::NotAfter,
                   u"2008-07-05", July(5), July(5), 0, 1},
        WindowCase{"after_edit_checks_its_box", 0, 0, July(10), July(18), Edited::NotAfter, u"2008-07-05", July(5),
                   July(5), 0, 1},
        WindowCase{"before_past_a_checked_after_is_pulled_back", 1, 1, July(1), July(5), Edited::NotBefore,
                   u"2008-07-10", July(5), July(5), 1, 1},
        WindowCase{"before_past_an_unchecked_after_pushes_it_along", 0, 0, July(1), July(5), Edited::NotBefore,
                   u"2008-07-10", July(10), July(10), 1, 0},
        WindowCase{"after_to_equal_is_no_inversion", 0, 0, July(10), July(18), Edited::NotAfter, u"2008-07-10",
                   July(10), July(10), 0, 1},
        WindowCase{"before_to_equal_is_no_inversion", 0, 1, July(1), July(10), Edited::NotBefore, u"2008-07-10",
                   July(10), July(10), 1, 1},
        WindowCase{"ordered_window_is_left_alone", 0, 0, July(5), July(10), Edited::NotAfter, u"2008-07-20",
                   July(5), July(20), 0, 1},
        WindowCase{"a_greyed_other_end_is_neither_in_force_nor_off", 2, 1, July(10), July(18), Edited::NotAfter,
                   u"2008-07-05", July(10), July(5), 2, 1}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(PanelGestures, ACorrectionIsNoEditAndSwitchesNoEndOn) {
    // Both ends are corrected by assignment; had the correction counted as an edit of the other picker,
    // it would have checked the other box.
    ASSERT_EQ(settings.DTPickerNotBefore.SetValue(July(10)), S_OK);
    ASSERT_EQ(Perform(u"DTPickerNotAfter", u"editdate", u"2008-07-05"), S_OK);
    EXPECT_EQ(settings.BeforeCheck.Value(), kUnchecked);
}

TEST_F(PanelGestures, ATimePickerNeverMovesADate) {
    ASSERT_EQ(settings.BeforeCheck.SetValue(kChecked), S_OK);
    ASSERT_EQ(settings.AfterCheck.SetValue(kChecked), S_OK);
    ASSERT_EQ(settings.TimePickerNotBefore.SetValue(39750.75), S_OK);  // 18:00
    ASSERT_EQ(Perform(u"TimePickerNotAfter", u"editdate", u"10/29/2008 6:00 AM"), S_OK);
    EXPECT_EQ(settings.TimePickerNotAfter.Value(), 39750.25);
    EXPECT_EQ(settings.TimePickerNotBefore.Value(), 39750.75);
    EXPECT_EQ(settings.DTPickerNotBefore.Value(), July(18));
    EXPECT_EQ(settings.DTPickerNotAfter.Value(), July(18));
}

// ---- Enabling an end ----------------------------------------------------------------------------

TEST_F(PanelGestures, SwitchingAnEndOffDisablesBothItsPickersAndOnEnablesThemWithTheirValues) {
    ASSERT_EQ(settings.DTPickerNotAfter.SetValue(July(20)), S_OK);
    ASSERT_EQ(Perform(u"AfterCheck", u"click"), S_OK);  // on
    ASSERT_EQ(Perform(u"AfterCheck", u"click"), S_OK);  // off
    EXPECT_FALSE(settings.DTPickerNotAfter.Enabled());
    EXPECT_FALSE(settings.TimePickerNotAfter.Enabled());
    EXPECT_TRUE(settings.DTPickerNotBefore.Enabled());
    EXPECT_EQ(Perform(u"DTPickerNotAfter", u"editdate", u"2008-07-05"), S_FALSE) << "a disabled picker";

    ASSERT_EQ(Perform(u"AfterCheck", u"click"), S_OK);
    EXPECT_TRUE(settings.DTPickerNotAfter.Enabled());
    EXPECT_TRUE(settings.TimePickerNotAfter.Enabled());
    EXPECT_EQ(settings.DTPickerNotAfter.Value(), July(20));
    EXPECT_EQ(settings.TimePickerNotAfter.Value(), 39750.0);
}

TEST_F(PanelGestures, CodesChangeOfABoxRunsTheRuleAndTheSameValueRunsNothing) {
    ASSERT_EQ(settings.BeforeCheck.SetValue(kChecked), S_OK);
    ASSERT_EQ(settings.BeforeCheck.SetValue(kGrayed), S_OK);
    EXPECT_FALSE(settings.DTPickerNotBefore.Enabled());
    // Enabled by hand: a box set again to the value it has is no change.
    settings.DTPickerNotBefore.SetEnabled(true);
    ASSERT_EQ(settings.BeforeCheck.SetValue(kGrayed), S_OK);
    EXPECT_TRUE(settings.DTPickerNotBefore.Enabled());
}

// ---- The note -----------------------------------------------------------------------------------

TEST_F(PanelGestures, TheNoteFollowsTheNotificationBoxAndKeepsItsText) {
    settings.Reference.SetText(u"project X");
    ASSERT_EQ(Perform(u"RRCheck", u"click"), S_OK);
    EXPECT_TRUE(settings.Reference.Enabled());
    EXPECT_TRUE(settings.ReferenceLabel.Enabled());
    EXPECT_EQ(settings.Reference.BackColor(), 0x80000005u);
    ASSERT_EQ(Perform(u"Reference", u"type", u"!"), S_OK);

    ASSERT_EQ(Perform(u"RRCheck", u"click"), S_OK);
    EXPECT_FALSE(settings.Reference.Enabled());
    EXPECT_FALSE(settings.ReferenceLabel.Enabled());
    EXPECT_EQ(settings.Reference.BackColor(), 0xC0C0C0u);
    EXPECT_EQ(settings.Reference.Text(), u"project X!");

    ASSERT_EQ(settings.RRCheck.SetValue(kChecked), S_OK);
    EXPECT_EQ(settings.Reference.BackColor(), 0x80000005u);
    ASSERT_EQ(settings.RRCheck.SetValue(kGrayed), S_OK);
    EXPECT_FALSE(settings.Reference.Enabled());
    EXPECT_EQ(settings.Reference.BackColor(), 0xC0C0C0u);
}

// ---- The proxy ----------------------------------------------------------------------------------

class ProxyGestures : public PanelGestures {
protected:
    ProxyGestures() { EXPECT_EQ(settings.SSTab1.SetTab(2), S_OK); }
};

TEST_F(ProxyGestures, TypingAServerSelectsTheCustomSettingAndTypingAPortDoesNot) {
    ASSERT_EQ(Perform(u"ProxyPort", u"type", u"8080"), S_OK);
    EXPECT_TRUE(settings.OptionIE.Value());
    EXPECT_FALSE(settings.OptionCustom.Value());

    ASSERT_EQ(Perform(u"ProxyServer", u"type", u"p"), S_OK);
    EXPECT_FALSE(settings.OptionIE.Value());
    EXPECT_TRUE(settings.OptionCustom.Value());
}

TEST_F(ProxyGestures, EveryChangeOfTheServerTextSelectsCustomButTheSameTextDoesNot) {
    settings.ProxyServer.SetText(u"proxy.example.com");
    ASSERT_EQ(Perform(u"OptionIE", u"click"), S_OK);
    settings.ProxyServer.SetText(u"proxy.example.com");
    EXPECT_TRUE(settings.OptionIE.Value());

    ASSERT_EQ(Perform(u"ProxyServer", u"clear"), S_OK);
    EXPECT_TRUE(settings.OptionCustom.Value());
    EXPECT_EQ(settings.ProxyServer.Text(), u"");
}

TEST_F(ProxyGestures, ChoosingAnOptionEnablesNothingAndKeepsTheTexts) {
    settings.ProxyServer.SetText(u"proxy.example.com");
    settings.ProxyPort.SetText(u"3128");
    ASSERT_EQ(Perform(u"OptionIE", u"click"), S_OK);
    EXPECT_TRUE(settings.ProxyServer.EffectivelyEnabled());
    EXPECT_TRUE(settings.ProxyPort.EffectivelyEnabled());
    EXPECT_EQ(settings.ProxyServer.Text(), u"proxy.example.com");
    EXPECT_EQ(settings.ProxyPort.Text(), u"3128");
    EXPECT_FALSE(settings.OptionCustom.Value());
}

}  // namespace
