// The control's children as it creates them (pages, frames, captions, positions, tool tips, initial
// states and keyboard indexes), what showing it selects, and the arrangement of mode 1 at a paint.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "Layout.h"
#include "SettingsForm.h"
#include "platform/forms/forms.h"
#include "platform/utf.h"

using namespace platform::forms;
using qlmcontrol::SettingsForm;

namespace {

std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text).value_or("?"); }

struct ChildExpected {
    const char16_t* name;
    const char16_t* container;  // a page of SSTab1 (Page0 Main, Page1 Advanced, Page2 Configuration) or a frame
    LONG left, top, width, height;
    const char16_t* toolTip;
    // The child as a person sees it: kind, name, caption or value, and its states.
    const char* presented;
};

void PrintTo(const ChildExpected& c, std::ostream* os) { *os << Utf8(c.name); }

constexpr const char16_t* kNote = u"Include this note in the notification email";

const ChildExpected kChildren[] = {
    {u"SSTab1", u"QlmUI", 0, 0, 7695, 3015, u"", "tabs SSTab1 [\"Main\"] \"Advanced\" \"Configuration\""},
    // Page "Main".
    {u"LoginFrame", u"Page0", 240, 480, 3495, 2295, u"", "frame LoginFrame \"Your Quillmarsh Login\""},
    {u"EmailLabel", u"LoginFrame", 240, 420, 975, 255, u"", "label EmailLabel \"Email\""},
    {u"UserCombo", u"LoginFrame", 1080, 360, 2175, 315, u"Your email address", "combobox UserCombo \"\""},
    {u"PwdLabel", u"LoginFrame", 240, 990, 975, 255, u"", "label PwdLabel \"Password\""},
    {u"Password", u"LoginFrame", 1080, 960, 2175, 285, u"Your Quillmarsh account password", "textbox Password \"\""},
    {u"RMCheck", u"LoginFrame", 1080, 1440, 1935, 255, u"Remember password until log off Windows",
     "checkbox RMCheck [ ] \"Remember password\""},
    {u"ReadersFrame", u"Page0", 3960, 480, 3495, 2295, u"", "frame ReadersFrame \"Who Can decrypt?\""},
    {u"Readers", u"ReadersFrame", 240, 360, 2520, 290,
     u"Enter email addresses (e.g. alice@example.com, bob@example.com)", "textbox Readers \"\""},
    {u"AddButton", u"ReadersFrame", 2760, 360, 495, 290, u"", "button AddButton \"Add\""},
    {u"ReaderList", u"ReadersFrame", 240, 840, 3015, 1230, u"Double click to remove reader",
     "listbox ReaderList (0 items)"},
    // Page "Advanced".
    {u"TimeFrame", u"Page1", 240, 480, 3495, 2295, u"", "frame TimeFrame \"Do Not Allow Decryption\""},
    {u"BeforeCheck", u"TimeFrame", 240, 360, 975, 300, u"Readers cannot decrypt the content before this time",
     "checkbox BeforeCheck [ ] \"Before\""},
    {u"DTPickerNotBefore", u"TimeFrame", 480, 720, 1335, 375, u"", "datepicker DTPickerNotBefore 7/18/2008"},
    {u"TimePickerNotBefore", u"TimeFrame", 1920, 720, 1335, 375, u"",
     "datepicker TimePickerNotBefore 12:00:00 AM"},
    {u"AfterCheck", u"TimeFrame", 240, 1320, 975, 300, u"Readers cannot decrypt the content after this time",
     "checkbox AfterCheck [ ] \"After\""},
    {u"DTPickerNotAfter", u"TimeFrame", 480, 1680, 1335, 375, u"", "datepicker DTPickerNotAfter 7/18/2008"},
    {u"TimePickerNotAfter", u"TimeFrame", 1920, 1680, 1335, 375, u"", "datepicker TimePickerNotAfter 12:00:00 AM"},
    {u"NotificationFrame", u"Page1", 3960, 480, 3495, 2295, u"", "frame NotificationFrame \"Notification\""},
    {u"RRCheck", u"NotificationFrame", 240, 360, 3135, 615, u"Check to enable email notification",
     "checkbox RRCheck [ ] \"Email me when authorized user decrypts the protected content\""},
    {u"ReferenceLabel", u"NotificationFrame", 480, 1200, 1575, 285, kNote,
     "label ReferenceLabel \"Reference (optional)\" disabled"},
    {u"Reference", u"NotificationFrame", 480, 1440, 2715, 290, kNote, "textbox Reference \"\" disabled"},
    // Page "Configuration".
    {u"ProxyFrame", u"Page2", 240, 480, 7215, 1935, u"", "frame ProxyFrame \"Proxy Server\""},
    {u"OptionIE", u"ProxyFrame", 720, 360, 3735, 375, u"",
     "option OptionIE (o) \"Use Internet Explorer Setting (Recommended)\""},
    {u"OptionCustom", u"ProxyFrame", 720, 840, 2295, 255, u"", "option OptionCustom ( ) \"Custom Setting\""},
    {u"Label2", u"ProxyFrame", 1080, 1320, 615, 255, u"", "label Label2 \"Address:\""},
    {u"ProxyServer", u"ProxyFrame", 1800, 1290, 2775, 285, u"", "textbox ProxyServer \"\""},
    {u"Label3", u"ProxyFrame", 4800, 1320, 495, 255, u"", "label Label3 \"Port:\""},
    {u"ProxyPort", u"ProxyFrame", 5280, 1290, 615, 285, u"", "textbox ProxyPort \"\""},
    {u"CheckShowPopUp", u"Page2", 360, 2520, 5535, 375, u"",
     "checkbox CheckShowPopUp [x] \"Show decrypted content in new window\" hidden"},
};

class ChildCreated : public testing::TestWithParam<ChildExpected> {
protected:
    SettingsForm settings;
};

TEST_P(ChildCreated, HasItsPlaceCaptionPositionToolTipAndInitialState) {
    const ChildExpected& c = GetParam();
    const Control* child = settings.Surface().Find(c.name);
    ASSERT_NE(child, nullptr);
    ASSERT_NE(child->Parent(), nullptr);
    EXPECT_EQ(Utf8(child->Parent()->Name()), Utf8(c.container));
    EXPECT_EQ(std::make_tuple(child->Left(), child->Top(), child->Width(), child->Height()),
              std::make_tuple(c.left, c.top, c.width, c.height));
    EXPECT_EQ(Utf8(child->ToolTipText()), Utf8(c.toolTip));
    EXPECT_EQ(PresentControl(*child), c.presented);
}

INSTANTIATE_TEST_SUITE_P(Children, ChildCreated, testing::ValuesIn(kChildren),
                         [](const auto& info) { return Utf8(info.param.name); });

TEST(Created, EveryChildIsInTheTableAndTheFormHasTheControlsExtent) {
    SettingsForm settings;
    EXPECT_EQ(settings.Surface().TabOrder().size(), std::size(kChildren));
    EXPECT_EQ(settings.Surface().Width(), 7815);
    EXPECT_EQ(settings.Surface().Height(), 3870);
}

TEST(Created, DetailsThePresentationDoesNotShow) {
    SettingsForm settings;
    EXPECT_EQ(settings.SSTab1.Tab(), 0);
    EXPECT_EQ(settings.Password.PasswordChar(), u"*");
    EXPECT_EQ(settings.Reference.MaxLength(), 30);
    EXPECT_EQ(settings.Reference.BackColor(), 0xC0C0C0u);
    EXPECT_EQ(settings.Readers.BackColor(), kColorWindowBackground);
    EXPECT_EQ(settings.ReaderList.BackColor(), kColorWindowBackground);
    EXPECT_EQ(settings.DTPickerNotBefore.Format(), DateFormat::ShortDate);
    EXPECT_EQ(settings.TimePickerNotAfter.Format(), DateFormat::Time);
    for (const DatePicker* picker : {&settings.DTPickerNotBefore, &settings.DTPickerNotAfter})
        EXPECT_EQ(picker->Value(), 39647.0);  // 18 July 2008, midnight
    for (const DatePicker* picker : {&settings.TimePickerNotBefore, &settings.TimePickerNotAfter}) {
        EXPECT_EQ(picker->Value(), 39750.0);  // 29 October 2008, midnight
        EXPECT_EQ(picker->MinDate(), kPickerMinDate);
        EXPECT_EQ(picker->MaxDate(), kPickerMaxDate);
    }
    EXPECT_EQ(settings.UserCombo.ListCount(), 0);
}

std::vector<std::string> TabOrderNames(const Form& form) {
    std::vector<std::string> names;
    for (const Control* control : form.TabOrder()) names.push_back(Utf8(control->Name()));
    return names;
}

const std::vector<std::string> kInitialKeyboardIndexes = {
    "SSTab1",         "ProxyFrame",  "ProxyPort",   "ProxyServer",  "OptionCustom",   "OptionIE",
    "Label3",         "Label2",      "NotificationFrame", "Reference", "RRCheck",     "ReferenceLabel",
    "TimeFrame",      "DTPickerNotAfter", "AfterCheck", "BeforeCheck", "DTPickerNotBefore", "ReadersFrame",
    "AddButton",      "ReaderList",  "Readers",     "LoginFrame",   "RMCheck",        "Password",
    "UserCombo",      "PwdLabel",    "EmailLabel",  "TimePickerNotBefore", "TimePickerNotAfter", "CheckShowPopUp"};

TEST(Created, TheLayoutGivesTheInitialKeyboardIndexes) {
    EXPECT_EQ(TabOrderNames(*qlmcontrol::BuildSurface()), kInitialKeyboardIndexes);
}

TEST(Created, MainsFiveControlsComeFirstAndTheOtherManagedOnesAreNoTabStops) {
    SettingsForm settings;
    std::vector<std::string> expected = {"UserCombo", "Password", "RMCheck", "Readers", "AddButton"};
    for (const std::string& name : kInitialKeyboardIndexes)
        if (std::find(expected.begin(), expected.begin() + 5, name) == expected.begin() + 5) expected.push_back(name);
    EXPECT_EQ(TabOrderNames(settings.Surface()), expected);

    std::vector<std::string> stops;
    for (const Control* control : settings.Surface().TabOrder())
        if (control->TabStop()) stops.push_back(Utf8(control->Name()));
    // Labels and frames keep their stop, but never take the focus.
    EXPECT_EQ(stops, (std::vector<std::string>{"UserCombo", "Password", "RMCheck", "Readers", "AddButton", "SSTab1",
                                               "ProxyFrame", "Label3", "Label2", "NotificationFrame", "Reference",
                                               "ReferenceLabel", "TimeFrame", "ReadersFrame", "ReaderList",
                                               "LoginFrame", "PwdLabel", "EmailLabel", "TimePickerNotBefore",
                                               "TimePickerNotAfter", "CheckShowPopUp"}));
}

// ---- Shown --------------------------------------------------------------------------------------

struct ShownCase {
    const char* what;
    std::vector<std::pair<std::u16string, bool>> users;  // items with their has-password flags
    std::u16string text;
    int selected;
    std::u16string passwordAfter;
    SHORT rememberAfter;
};

void PrintTo(const ShownCase& c, std::ostream* os) { *os << c.what; }

class ShownSelects : public testing::TestWithParam<ShownCase> {};

TEST_P(ShownSelects, TheRememberedUserThatMatchesExactly) {
    const ShownCase& c = GetParam();
    SettingsForm settings;
    for (const auto& [user, hasPassword] : c.users) ASSERT_EQ(settings.AddUsername(user, hasPassword), S_OK);
    settings.UserCombo.SetText(c.text);
    settings.Password.SetText(u"typed");

    EXPECT_EQ(settings.Shown(), S_OK);
    EXPECT_EQ(settings.UserCombo.ListIndex(), c.selected);
    EXPECT_EQ(settings.UserCombo.Text(), c.text);
    EXPECT_EQ(Utf8(settings.Password.Text()), Utf8(c.passwordAfter));
    EXPECT_EQ(settings.RMCheck.Value(), c.rememberAfter);
}

const std::u16string kPlaceholder(qlmcontrol::kPasswordPlaceholder);

INSTANTIATE_TEST_SUITE_P(
    Cases, ShownSelects,
    testing::Values(
        ShownCase{"remembered", {{u"ann@example.com", true}}, u"ann@example.com", 0, kPlaceholder, 1},
        ShownCase{"not_remembered_empties_the_typed_password", {{u"ann@example.com", false}}, u"ann@example.com",
                  0, u"", 0},
        ShownCase{"exact_case_wins_over_an_earlier_item_equal_but_for_case",
                  {{u"Bob@example.com", true}, {u"bob@example.com", false}}, u"bob@example.com", 1, u"", 0},
        ShownCase{"the_last_of_equal_items_stays_selected",
                  {{u"ann@example.com", false}, {u"bob@example.com", false}, {u"ann@example.com", true}},
                  u"ann@example.com", 2, kPlaceholder, 1},
        ShownCase{"no_item_matches", {{u"ann@example.com", true}}, u"carl@example.com", -1, u"typed", 0},
        ShownCase{"empty_text", {{u"", true}}, u"", -1, u"typed", 0},
        ShownCase{"no_items", {}, u"ann@example.com", -1, u"typed", 0}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(Shown, EachShowReplacesAPasswordTypedSinceWithTheItemsOwn) {
    SettingsForm settings;
    ASSERT_EQ(settings.AddUsername(u"ann@example.com", true), S_OK);
    settings.UserCombo.SetText(u"ann@example.com");
    ASSERT_EQ(settings.Shown(), S_OK);
    settings.Password.SetText(u"secret");
    ASSERT_EQ(settings.Shown(), S_OK);
    EXPECT_EQ(settings.Password.Text(), kPlaceholder);
}

// ---- Painted ------------------------------------------------------------------------------------

struct Looks {
    bool enabled;
    bool visible;
    OleColor back;
    bool operator==(const Looks&) const = default;
};

std::map<std::string, Looks> LooksOf(const Form& form) {
    std::map<std::string, Looks> looks;
    for (const Control* c : form.TabOrder()) looks[Utf8(c->Name())] = {c->Enabled(), c->Visible(), c->BackColor()};
    return looks;
}

// The looks after the arrangement of mode 1, from those before it.
std::map<std::string, Looks> ModeOneArrangement(std::map<std::string, Looks> looks) {
    for (const char* disabled : {"Readers", "AddButton", "ReaderList", "ReadersFrame", "TimeFrame", "NotificationFrame",
                                 "BeforeCheck", "AfterCheck", "DTPickerNotBefore", "DTPickerNotAfter", "RRCheck",
                                 "ReferenceLabel", "Reference"})
        looks[disabled].enabled = false;
    for (const char* grey : {"Readers", "ReaderList", "Reference"}) looks[grey].back = 0xC0C0C0;
    looks["CheckShowPopUp"].visible = true;
    return looks;
}

TEST(Painted, ModeZeroChangesNothing) {
    SettingsForm settings;
    const auto before = LooksOf(settings.Surface());
    EXPECT_EQ(settings.Painted(), S_OK);
    EXPECT_EQ(LooksOf(settings.Surface()), before);
}

TEST(Painted, ModeOneDisablesExactlyItsListAndShowsCheckShowPopUp) {
    SettingsForm settings;
    // The note enabled first, so that its disabling shows.
    ASSERT_EQ(settings.RRCheck.SetValue(kChecked), S_OK);
    const auto before = LooksOf(settings.Surface());
    settings.SetMode(1);
    EXPECT_EQ(LooksOf(settings.Surface()), before) << "setting the mode changes nothing until the paint";

    EXPECT_EQ(settings.Painted(), S_OK);
    const auto arranged = LooksOf(settings.Surface());
    EXPECT_EQ(arranged, ModeOneArrangement(before));
    // The time pickers cannot be used through their frame; the login and the proxy can.
    EXPECT_TRUE(settings.TimePickerNotBefore.Enabled());
    EXPECT_FALSE(settings.TimePickerNotBefore.EffectivelyEnabled());
    EXPECT_TRUE(settings.UserCombo.EffectivelyEnabled());
    EXPECT_TRUE(settings.ProxyServer.EffectivelyEnabled());
    EXPECT_TRUE(settings.CheckShowPopUp.EffectivelyVisible());

    EXPECT_EQ(settings.Painted(), S_OK);
    EXPECT_EQ(LooksOf(settings.Surface()), arranged) << "a repeated paint changes nothing further";
    settings.SetMode(0);
    EXPECT_EQ(settings.Painted(), S_OK);
    EXPECT_EQ(LooksOf(settings.Surface()), arranged) << "nothing undoes the arrangement";
}

TEST(Painted, OnlyModeOneArranges) {
    for (LONG mode : {0, 2, -1, 0x7FFFFFFF}) {
        SettingsForm settings;
        const auto before = LooksOf(settings.Surface());
        settings.SetMode(mode);
        EXPECT_EQ(settings.Painted(), S_OK);
        EXPECT_EQ(LooksOf(settings.Surface()), before) << mode;
    }
}

TEST(Painted, TheNextPaintDisablesAgainWhatARuleEnabledInModeOne) {
    SettingsForm settings;
    settings.SetMode(1);
    ASSERT_EQ(settings.Painted(), S_OK);
    const auto arranged = LooksOf(settings.Surface());
    ASSERT_EQ(settings.RRCheck.SetValue(kChecked), S_OK);
    EXPECT_TRUE(settings.Reference.Enabled());
    ASSERT_EQ(settings.Painted(), S_OK);
    EXPECT_EQ(LooksOf(settings.Surface()), arranged);
}

}  // namespace
