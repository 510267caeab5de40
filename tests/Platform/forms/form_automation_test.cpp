// IFormAutomation's members over a form: named gestures as a person makes them, the page as text, the focus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error_report.h"
#include "event_log.h"
#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/forms/forms.h"
#include "winerror.h"

using namespace platform::forms;
using formstest::ErrorReport;
using formstest::EventLog;
using formstest::TakeErrorReport;
using formstest::Utf8;
using platform::com::UniqueBstr;

namespace {

// Everything a gesture can reach: a tab dialog with two pages, and a label, which takes no gesture.
class GestureForm {
public:
    GestureForm()
        : tabs(form.Add<TabDialog>(u"Tabs", SHORT{2})),
          name(tabs.Page(0).Add<TextBox>(u"Name")),
          user(tabs.Page(0).Add<ComboBox>(u"User")),
          list(tabs.Page(0).Add<ListBox>(u"List")),
          check(tabs.Page(0).Add<CheckBox>(u"Check")),
          button(tabs.Page(0).Add<CommandButton>(u"Button")),
          label(tabs.Page(0).Add<Label>(u"Label")),
          optionA(tabs.Page(1).Add<OptionButton>(u"OptionA")),
          optionB(tabs.Page(1).Add<OptionButton>(u"OptionB")),
          picker(tabs.Page(1).Add<DatePicker>(u"Picker")) {
        form.SetErrorSource(u"Surface");
        EXPECT_EQ(tabs.Move(0, 0, 6000, 3000), S_OK);
        for (const char16_t* item : {u"ann@example.com", u"bob@example.com", u"7"}) {
            EXPECT_EQ(user.AddItem(item), S_OK);
            EXPECT_EQ(list.AddItem(item), S_OK);
        }
        name.SetText(u"ab");
        EXPECT_EQ(picker.SetValue(39647.0), S_OK);  // 18 July 2008
        optionA.SetValue(true);
        for (Control* control : form.TabOrder()) Watch(*control);
    }

    HRESULT Perform(std::u16string_view control, std::u16string_view gesture, std::u16string_view argument = {}) {
        return PerformGesture(form, control, gesture, argument);
    }

    Form form{u"Form"};
    TabDialog& tabs;
    TextBox& name;
    ComboBox& user;
    ListBox& list;
    CheckBox& check;
    CommandButton& button;
    Label& label;
    OptionButton& optionA;
    OptionButton& optionB;
    DatePicker& picker;
    EventLog log;

private:
    void Watch(Control& control) {
        switch (control.Kind()) {
        case ControlKind::TabDialog: log.Watch(static_cast<TabDialog&>(control)); break;
        case ControlKind::TextBox: log.Watch(static_cast<TextBox&>(control)); break;
        case ControlKind::ComboBox: log.Watch(static_cast<ComboBox&>(control)); break;
        case ControlKind::ListBox: log.Watch(static_cast<ListBox&>(control)); break;
        case ControlKind::CheckBox: log.Watch(static_cast<CheckBox&>(control)); break;
        case ControlKind::CommandButton: log.Watch(static_cast<CommandButton&>(control)); break;
        case ControlKind::OptionButton: log.Watch(static_cast<OptionButton&>(control)); break;
        case ControlKind::DatePicker: log.Watch(static_cast<DatePicker&>(control)); break;
        default: break;
        }
    }
};

struct Performed {
    const char* what;
    int page;  // the page turned to first
    const char16_t* control;
    const char16_t* gesture;
    const char16_t* argument;
    std::vector<std::string> events;
    const char16_t* focusAfter;
};

void PrintTo(const Performed& p, std::ostream* os) { *os << p.what; }

class GesturePerformed : public testing::TestWithParam<Performed> {};

TEST_P(GesturePerformed, ReachesTheControlAsAPersonWould) {
    const Performed& c = GetParam();
    GestureForm f;
    ASSERT_EQ(f.tabs.SetTab(static_cast<SHORT>(c.page)), S_OK);
    f.log.Take();

    EXPECT_EQ(f.Perform(c.control, c.gesture, c.argument), S_OK);
    EXPECT_EQ(f.log.Take(), c.events);
    UniqueBstr focused;
    ASSERT_EQ(FocusedControlName(f.form, focused.Put()), S_OK);
    EXPECT_EQ(std::u16string(focused.Get(), focused.Length()), c.focusAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GesturePerformed,
    testing::Values(
        Performed{"click_button", 0, u"Button", u"click", u"", {"Button.Click"}, u"Button"},
        Performed{"click_check", 0, u"Check", u"CLICK", u"", {"Check.Click"}, u"Check"},
        Performed{"click_option", 1, u"OptionB", u"click", u"", {"OptionB.Click"}, u"OptionB"},
        Performed{"click_list_item_by_index", 0, u"List", u"click", u"1", {"List.Click"}, u"List"},
        Performed{"click_into_text_box", 0, u"Name", u"click", u"", {}, u"Name"},
        Performed{"dblclick_item_by_text", 0, u"List", u"dblclick", u"bob@example.com",
                  {"List.Click", "List.DblClick"}, u"List"},
        // An item whose text is a number is named by its index only.
        Performed{"dblclick_item_by_index", 0, u"List", u"dblclick", u"2", {"List.Click", "List.DblClick"}, u"List"},
        Performed{"dblclick_empty_area", 0, u"List", u"dblclick", u"", {"List.DblClick"}, u"List"},
        Performed{"type_one_change_per_key", 0, u"Name", u"type", u"cd", {"Name.Change", "Name.Change"}, u"Name"},
        Performed{"type_backspace", 0, u"Name", u"type", u"\b", {"Name.Change"}, u"Name"},
        Performed{"type_into_combo", 0, u"User", u"type", u"x", {"User.Change"}, u"User"},
        Performed{"clear", 0, u"Name", u"clear", u"", {"Name.Change"}, u"Name"},
        Performed{"choose_by_text", 0, u"User", u"choose", u"bob@example.com", {"User.Click"}, u"User"},
        Performed{"clicktab", 0, u"Tabs", u"clicktab", u"1",
                  {"Tabs.MouseDown(1,0,4500,150)", "Tabs.Click(0)", "Tabs.MouseUp(1,0,4500,150)"}, u"Tabs"},
        Performed{"click_on_tab_dialog", 0, u"Tabs", u"click", u"1",
                  {"Tabs.MouseDown(1,0,4500,150)", "Tabs.Click(0)", "Tabs.MouseUp(1,0,4500,150)"}, u"Tabs"},
        Performed{"editdate", 1, u"Picker", u"editdate", u"2008-07-05", {"Picker.Change"}, u"Picker"},
        Performed{"editdate_same_value", 1, u"Picker", u"editdate", u"7/18/2008", {}, u"Picker"},
        Performed{"focus", 0, u"Check", u"focus", u"", {}, u"Check"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(GestureEffects, TextsSelectionsAndValuesFollowTheGesture) {
    GestureForm f;
    EXPECT_EQ(f.Perform(u"Name", u"type", u"c\bde"), S_OK);
    EXPECT_EQ(f.name.Text(), u"abde");
    EXPECT_EQ(f.Perform(u"User", u"choose", u"1"), S_OK);
    EXPECT_EQ(f.user.ListIndex(), 1);
    EXPECT_EQ(f.user.Text(), u"bob@example.com");
    EXPECT_EQ(f.Perform(u"Tabs", u"clicktab", u"1"), S_OK);
    EXPECT_EQ(f.Perform(u"Picker", u"editdate", u"7/5/2008 1:45 PM"), S_OK);
    EXPECT_DOUBLE_EQ(f.picker.Value(), 39634.0 + 13.75 / 24);
    EXPECT_EQ(f.Perform(u"OptionB", u"click"), S_OK);
    EXPECT_FALSE(f.optionA.Value());
}

struct Refused {
    const char* what;
    const char16_t* control;
    const char16_t* gesture;
    const char16_t* argument;
    const char16_t* description;
};

void PrintTo(const Refused& r, std::ostream* os) { *os << r.what; }

class GestureRefused : public testing::TestWithParam<Refused> {};

TEST_P(GestureRefused, IsAnInvalidArgumentWithItsDescriptionAndChangesNothing) {
    const Refused& c = GetParam();
    GestureForm f;
    ASSERT_EQ(f.tabs.SetTab(1), S_OK);  // so that the picker is in reach
    const std::string before = PresentControls(f.form);
    f.log.Take();

    EXPECT_EQ(f.Perform(c.control, c.gesture, c.argument), E_INVALIDARG);
    EXPECT_EQ(TakeErrorReport(), (ErrorReport{c.description, u"Surface"}));
    EXPECT_TRUE(f.log.Take().empty());
    EXPECT_EQ(PresentControls(f.form), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GestureRefused,
    testing::Values(
        Refused{"unknown_control", u"Nobody", u"click", u"", u"There is no control named \"Nobody\""},
        Refused{"control_names_are_exact", u"picker", u"editdate", u"2008-07-05",
                u"There is no control named \"picker\""},
        Refused{"unknown_gesture", u"Button", u"press", u"", u"There is no gesture \"press\""},
        Refused{"label_takes_no_click", u"Label", u"click", u"", u"Label does not take the gesture \"click\""},
        Refused{"label_takes_no_focus", u"Label", u"focus", u"", u"Label does not take the gesture \"focus\""},
        Refused{"type_into_check_box", u"Check", u"type", u"x", u"Check does not take the gesture \"type\""},
        Refused{"choose_on_list_box", u"List", u"choose", u"0", u"List does not take the gesture \"choose\""},
        Refused{"no_such_item_text", u"List", u"dblclick", u"carl@example.com",
                u"List has no item \"carl@example.com\""},
        Refused{"item_index_past_the_end", u"User", u"choose", u"3", u"User has no item \"3\""},
        Refused{"negative_index_is_no_index", u"User", u"choose", u"-1", u"User has no item \"-1\""},
        Refused{"tab_past_the_end", u"Tabs", u"clicktab", u"2", u"Tabs has no tab \"2\""},
        Refused{"tab_is_no_number", u"Tabs", u"clicktab", u"Main", u"Tabs has no tab \"Main\""},
        Refused{"no_date", u"Picker", u"editdate", u"tomorrow", u"\"tomorrow\" is no date"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(GestureUnreachable, DisabledHiddenOrOnAnotherPageIsSFalseAndNothingHappens) {
    GestureForm f;
    f.check.SetEnabled(false);
    f.button.SetVisible(false);
    f.log.Take();
    EXPECT_EQ(f.Perform(u"Check", u"click"), S_FALSE);
    EXPECT_EQ(f.Perform(u"Button", u"click"), S_FALSE);
    EXPECT_EQ(f.Perform(u"Picker", u"editdate", u"2008-07-05"), S_FALSE);  // page 1 is not shown
    EXPECT_EQ(f.Perform(u"OptionB", u"focus"), S_FALSE);
    EXPECT_EQ(f.check.Value(), kUnchecked);
    EXPECT_DOUBLE_EQ(f.picker.Value(), 39647.0);
    EXPECT_EQ(f.form.FocusedControl(), nullptr);
    EXPECT_TRUE(f.log.Take().empty());
}

TEST(GestureKeyboard, TabShiftTabAndCtrlTabActOnTheFormWhateverTheControl) {
    GestureForm f;
    UniqueBstr focused;
    ASSERT_EQ(FocusedControlName(f.form, focused.Put()), S_OK);
    EXPECT_EQ(focused.Length(), 0u);  // no focus yet

    // Ctrl+Tab needs the focus in a tab dialog.
    EXPECT_EQ(f.Perform(u"", u"ctrltab"), S_FALSE);
    EXPECT_EQ(f.Perform(u"", u"presstab"), S_OK);
    EXPECT_EQ(f.form.FocusedControl(), &f.tabs);
    EXPECT_EQ(f.Perform(u"Nobody", u"PressTab"), S_OK);
    EXPECT_EQ(f.form.FocusedControl(), &f.name);
    EXPECT_EQ(f.Perform(u"", u"shifttab"), S_OK);
    EXPECT_EQ(f.form.FocusedControl(), &f.tabs);
    EXPECT_EQ(f.Perform(u"", u"ctrltab"), S_OK);
    EXPECT_EQ(f.tabs.Tab(), 1);
    EXPECT_EQ(f.Perform(u"", u"ctrlshifttab"), S_OK);
    EXPECT_EQ(f.tabs.Tab(), 0);
    ASSERT_EQ(FocusedControlName(f.form, focused.Put()), S_OK);
    EXPECT_EQ(std::u16string(focused.Get(), focused.Length()), u"Tabs");
}

TEST(FormPresented, IsTheCurrentPageAsTextAndFollowsThePage) {
    GestureForm f;
    UniqueBstr text;
    ASSERT_EQ(PresentForm(f.form, text.Put()), S_OK);
    const std::string page0 = Utf8(std::u16string(text.Get(), text.Length()));
    EXPECT_EQ(page0, PresentControls(f.form));
    EXPECT_NE(page0.find("textbox Name \"ab\""), std::string::npos) << page0;
    EXPECT_EQ(page0.find("Picker"), std::string::npos) << page0;

    ASSERT_EQ(f.Perform(u"Tabs", u"clicktab", u"1"), S_OK);
    ASSERT_EQ(PresentForm(f.form, text.Put()), S_OK);
    const std::string page1 = Utf8(std::u16string(text.Get(), text.Length()));
    EXPECT_NE(page1.find("datepicker Picker 7/18/2008"), std::string::npos) << page1;
    EXPECT_NE(page1.find("tabs Tabs \"Tab 0\" [\"Tab 1\"] focus"), std::string::npos) << page1;

    EXPECT_EQ(PresentForm(f.form, nullptr), E_POINTER);
    EXPECT_EQ(FocusedControlName(f.form, nullptr), E_POINTER);
}

}  // namespace
