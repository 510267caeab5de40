// Containers: effective states derived from the containers, positions, and the text presentation.
#include <gtest/gtest.h>

#include <string>

#include "platform/forms/forms.h"
#include "winerror.h"

using namespace platform::forms;

namespace {

TEST(Containers, ADisabledOrHiddenContainerMakesItsChildrenUnusableWithoutChangingTheirSettings) {
    Form form(u"Form");
    auto& outer = form.Add<Frame>(u"Outer");
    auto& inner = outer.Add<Frame>(u"Inner");
    auto& box = inner.Add<TextBox>(u"Box");

    outer.SetEnabled(false);
    EXPECT_TRUE(box.Enabled());
    EXPECT_FALSE(box.EffectivelyEnabled());
    EXPECT_TRUE(box.EffectivelyVisible());
    outer.SetEnabled(true);
    inner.SetVisible(false);
    EXPECT_TRUE(box.Visible());
    EXPECT_FALSE(box.EffectivelyVisible());
    EXPECT_FALSE(box.Shown());
    EXPECT_TRUE(box.EffectivelyEnabled());
    inner.SetVisible(true);
    form.SetVisible(false);
    EXPECT_FALSE(box.EffectivelyVisible());
    form.SetVisible(true);
    EXPECT_TRUE(box.Reachable());
    EXPECT_EQ(box.OwnerForm(), &form);
    EXPECT_EQ(box.Parent(), &inner);
}

TEST(Containers, NegativeSizesAreRefusedAndLeaveThePlaceAsItWas) {
    Form form(u"Form");
    auto& box = form.Add<TextBox>(u"Box");
    ASSERT_EQ(box.Move(1080, 960, 2175, 285), S_OK);
    EXPECT_EQ(box.Move(0, 0, -1, 10), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(box.SetHeight(-5), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(box.Left(), 1080);
    EXPECT_EQ(box.Top(), 960);
    EXPECT_EQ(box.Width(), 2175);
    EXPECT_EQ(box.Height(), 285);
    box.SetLeft(-240);  // a place left of the container is allowed: only sizes are refused
    EXPECT_EQ(box.Left(), -240);
}

TEST(Containers, BackColorAndToolTipAreKeptAsGiven) {
    Form form(u"Form");
    auto& box = form.Add<TextBox>(u"Reference");
    EXPECT_EQ(box.BackColor(), kColorWindowBackground);
    EXPECT_EQ(form.Add<CheckBox>(u"Check").BackColor(), kColorButtonFace);
    box.SetBackColor(0xC0C0C0);
    box.SetToolTipText(u"Include this note");
    EXPECT_EQ(box.BackColor(), 0xC0C0C0u);
    EXPECT_EQ(box.ToolTipText(), u"Include this note");
}

TEST(Presentation, ListsTheControlsInKeyboardOrderWithTheirStates) {
    Form form(u"Form");
    auto& tabs = form.Add<TabDialog>(u"Tabs", SHORT{2});
    tabs.SetTabCaption(0, u"Main");
    tabs.SetTabCaption(1, u"Advanced");
    auto& login = tabs.Page(0).Add<Frame>(u"LoginFrame");
    login.SetCaption(u"Your Login");
    auto& combo = login.Add<ComboBox>(u"UserCombo");
    auto& password = login.Add<TextBox>(u"Password");
    auto& remember = login.Add<CheckBox>(u"RMCheck");
    auto& list = login.Add<ListBox>(u"ReaderList");
    tabs.Page(1).Add<CheckBox>(u"BeforeCheck");  // on the page out of sight
    auto& popUp = form.Add<CheckBox>(u"CheckShowPopUp");
    auto& option = form.Add<OptionButton>(u"OptionIE");
    auto& picker = form.Add<DatePicker>(u"Picker");

    combo.AddItem(u"ann");
    combo.AddItem(u"bob");
    combo.SetListIndex(1);
    password.SetPasswordChar(u"*");
    password.SetText(u"s3cret");
    remember.SetCaption(u"Remember password");
    remember.SetValue(kChecked);
    list.AddItem(u"x@example.com");
    list.SetEnabled(false);
    popUp.SetCaption(u"Show in new window");
    popUp.SetValue(kGrayed);
    popUp.SetVisible(false);
    option.SetCaption(u"Use the system's setting");
    option.SetValue(true);
    picker.SetValue(39647);
    // The password box comes first in the keyboard order: it is listed first within its frame.
    password.SetTabIndex(0);
    form.SetFocus(password);

    EXPECT_EQ(PresentControls(form),
              "tabs Tabs [\"Main\"] \"Advanced\"\n"
              "  frame LoginFrame \"Your Login\"\n"
              "    textbox Password \"******\" focus\n"
              "    combobox UserCombo \"bob\" \"ann\" >\"bob\"\n"
              "    checkbox RMCheck [x] \"Remember password\"\n"
              "    listbox ReaderList (1 items) \"x@example.com\" disabled\n"
              "checkbox CheckShowPopUp [-] \"Show in new window\" hidden\n"
              "option OptionIE (o) \"Use the system's setting\"\n"
              "datepicker Picker 7/18/2008\n");
    EXPECT_EQ(PresentControls(tabs.Page(1)), "checkbox BeforeCheck [ ] \"\"\n");
    tabs.SetTab(1);
    EXPECT_EQ(PresentControls(form),
              "tabs Tabs \"Main\" [\"Advanced\"]\n"
              "  checkbox BeforeCheck [ ] \"\"\n"
              "checkbox CheckShowPopUp [-] \"Show in new window\" hidden\n"
              "option OptionIE (o) \"Use the system's setting\"\n"
              "datepicker Picker 7/18/2008\n");
}

}  // namespace
