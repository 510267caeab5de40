// Reader addresses and the two lists of the page "Main": splitting and checking typed addresses, Add and
// Remove as a person makes them, the host's AddReader and GetReaders, the login list and choosing a user.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReaderAddresses.h"
#include "SettingsForm.h"
#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/forms/forms.h"
#include "platform/utf.h"

using namespace platform::forms;
using qlmcontrol::IsValidEmail;
using qlmcontrol::ParseSegments;
using qlmcontrol::SettingsForm;

namespace {

std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text).value_or("?"); }

std::vector<std::u16string> Items(const ListBox& list) {
    std::vector<std::u16string> items;
    for (SHORT i = 0; i < list.ListCount(); ++i) items.push_back(list.List(i));
    return items;
}

// ---- IsValidEmail -------------------------------------------------------------------------------

struct EmailCase {
    const char16_t* email;
    bool valid;
};

class EmailChecked : public testing::TestWithParam<EmailCase> {};

TEST_P(EmailChecked, AcceptsTheKeywordInAnyCaseOrAnAtSignAndAFullStop) {
    EXPECT_EQ(IsValidEmail(GetParam().email), GetParam().valid) << Utf8(GetParam().email);
}

INSTANTIATE_TEST_SUITE_P(Cases, EmailChecked,
                         testing::Values(EmailCase{u"everyone", true}, EmailCase{u"EVERYONE", true},
                                         EmailCase{u"Everyone", true}, EmailCase{u" everyone", false},
                                         EmailCase{u"every one", false}, EmailCase{u"everyone ", false},
                                         EmailCase{u"ann@example", false}, EmailCase{u"ann.example.com", false},
                                         EmailCase{u"", false}, EmailCase{u"ann@example.com", true},
                                         EmailCase{u"ann.smith@example", true}, EmailCase{u"@.", true},
                                         EmailCase{u".@", true}, EmailCase{u"a b@c d.e", true},
                                         EmailCase{u"everyone@", false}));

// ---- ParseSegments ------------------------------------------------------------------------------

struct ParseCase {
    const char* what;
    const char16_t* source;
    std::vector<std::u16string> segments;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }

class SegmentsParsed : public testing::TestWithParam<ParseCase> {};

TEST_P(SegmentsParsed, CutAtCommasThenSemicolonsTrimmedOfSpaces) {
    std::vector<std::u16string> segments{u"left over"};
    ASSERT_EQ(ParseSegments(GetParam().source, segments), S_OK);
    EXPECT_EQ(segments, GetParam().segments);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SegmentsParsed,
    testing::Values(ParseCase{"comma_space_and_semicolon", u"A, B;C", {u"A", u"B", u"C"}},
                    ParseCase{"empty", u"", {}},
                    ParseCase{"only_separators_and_spaces", u" , ;; ,  ; ", {}},
                    ParseCase{"vertical_bar_is_no_separator", u" A|B ", {u"A|B"}},
                    ParseCase{"leading_semicolon_double_comma_trailing_semicolon", u";A,,B;", {u"A", u"B"}},
                    ParseCase{"space_inside_stays", u"ann@example.com bob@example.com",
                              {u"ann@example.com bob@example.com"}},
                    ParseCase{"tabs_are_no_spaces", u"\tA ;  B\t", {u"\tA", u"B\t"}},
                    ParseCase{"spaces_around_semicolon_parts", u"A ; B , C", {u"A", u"B", u"C"}}),
    [](const auto& info) { return std::string(info.param.what); });

std::u16string Segments(int count) {
    std::u16string text;
    for (int i = 0; i < count; ++i) text += u"a,";
    return text;
}

TEST(SegmentsCounted, InSixteenBits) {
    std::vector<std::u16string> segments;
    ASSERT_EQ(ParseSegments(Segments(32767), segments), S_OK);
    EXPECT_EQ(segments.size(), 32767u);

    segments = {u"kept"};
    ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_EQ(ParseSegments(Segments(32768), segments), CTL_E_OVERFLOW);
    EXPECT_EQ(segments, std::vector<std::u16string>{u"kept"});
    EXPECT_EQ(ParseSegments(Segments(40000), segments), CTL_E_OVERFLOW);

    platform::com::ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.GetAddressOf()), S_OK);
    platform::com::UniqueBstr description;
    ASSERT_EQ(info->GetDescription(description.Put()), S_OK);
    EXPECT_EQ(Utf8(description.Get()), "Overflow");
}

// ---- Add and Remove, as a person makes them -----------------------------------------------------

class ReaderGestures : public testing::Test {
protected:
    HRESULT Perform(std::u16string_view control, std::u16string_view gesture, std::u16string_view argument = {}) {
        return PerformGesture(settings.Surface(), control, gesture, argument);
    }
    SettingsForm settings;
};

struct AddCase {
    const char* what;
    std::vector<std::u16string> listBefore;
    const char16_t* typed;
    std::vector<std::u16string> listAfter;
    const char16_t* boxAfter;
};

void PrintTo(const AddCase& c, std::ostream* os) { *os << c.what; }

class AddClicked : public ReaderGestures, public testing::WithParamInterface<AddCase> {};

TEST_P(AddClicked, AddsTheAcceptedSegmentsAndEmptiesTheBox) {
    const AddCase& c = GetParam();
    for (const auto& reader : c.listBefore) ASSERT_EQ(settings.AddReader(reader), S_OK);
    if (*c.typed != u'\0') {
        ASSERT_EQ(Perform(u"Readers", u"type", c.typed), S_OK);
    }

    EXPECT_EQ(Perform(u"AddButton", u"click"), S_OK);
    EXPECT_EQ(Items(settings.ReaderList), c.listAfter);
    EXPECT_EQ(Utf8(settings.Readers.Text()), Utf8(c.boxAfter));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddClicked,
    testing::Values(
        AddCase{"empty_box_changes_nothing", {u"ann@example.com"}, u"", {u"ann@example.com"}, u""},
        AddCase{"only_spaces_and_commas", {}, u"  , ,", {}, u""},
        AddCase{"second_without_full_stop_is_dropped", {}, u"ann@example.com, bob@example", {u"ann@example.com"},
                u""},
        AddCase{"keyword_as_typed", {}, u"EVERYONE", {u"EVERYONE"}, u""},
        AddCase{"an_entry_again", {u"ann@example.com"}, u"ann@example.com", {u"ann@example.com", u"ann@example.com"},
                u""},
        AddCase{"after_what_the_list_holds", {u"ann@example.com"}, u"bob@example.com; carl@example.com",
                {u"ann@example.com", u"bob@example.com", u"carl@example.com"}, u""},
        AddCase{"nothing_acceptable", {}, u"nobody", {}, u""}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(ReaderGestures, AddWithTooManySegmentsEmptiesTheBoxAndAddsNothing) {
    ASSERT_EQ(settings.AddReader(u"ann@example.com"), S_OK);
    std::u16string typed;
    for (int i = 0; i < 40000; ++i) typed += u"a@b.c,";
    // Pasted: typing 240,000 keystrokes would raise as many Change events.
    ASSERT_TRUE(settings.Readers.Paste(typed));
    ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);

    EXPECT_EQ(Perform(u"AddButton", u"click"), S_OK);
    EXPECT_EQ(Items(settings.ReaderList), std::vector<std::u16string>{u"ann@example.com"});
    EXPECT_EQ(settings.Readers.Text(), u"");
    platform::com::ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.GetAddressOf()), S_OK) << "the overflow is reported where a host can read it";
}

struct RemoveCase {
    const char* what;
    std::vector<std::u16string> listBefore;
    const char16_t* item;  // the item double-clicked; empty: the empty area below the items
    std::vector<std::u16string> listAfter;
};

void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.what; }

class DoubleClicked : public ReaderGestures, public testing::WithParamInterface<RemoveCase> {};

TEST_P(DoubleClicked, RemovesTheItemWithoutConfirmation) {
    const RemoveCase& c = GetParam();
    for (const auto& reader : c.listBefore) ASSERT_EQ(settings.AddReader(reader), S_OK);
    EXPECT_EQ(Perform(u"ReaderList", u"dblclick", c.item), S_OK);
    EXPECT_EQ(Items(settings.ReaderList), c.listAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DoubleClicked,
    testing::Values(RemoveCase{"empty_list", {}, u"", {}},
                    RemoveCase{"middle_item", {u"A", u"B", u"C"}, u"1", {u"A", u"C"}},
                    RemoveCase{"first_of_equal_items", {u"A", u"A"}, u"0", {u"A"}},
                    RemoveCase{"last_item", {u"A", u"B"}, u"B", {u"A"}},
                    RemoveCase{"empty_area_without_selection", {u"A", u"B"}, u"", {u"A", u"B"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(ReaderGestures, ADoubleClickOnTheEmptyAreaRemovesTheSelectedItem) {
    // The selection stays where the person's last click put it.
    for (const char16_t* reader : {u"A", u"B", u"C"}) ASSERT_EQ(settings.AddReader(reader), S_OK);
    ASSERT_EQ(Perform(u"ReaderList", u"click", u"2"), S_OK);
    EXPECT_EQ(Perform(u"ReaderList", u"dblclick", u""), S_OK);
    EXPECT_EQ(Items(settings.ReaderList), (std::vector<std::u16string>{u"A", u"B"}));
}

// ---- AddReader and GetReaders -------------------------------------------------------------------

TEST(HostReaders, AddReaderStoresTheTextAsPassedAndGetReadersJoinsWithSemicolons) {
    SettingsForm settings;
    EXPECT_EQ(settings.GetReaders(), u"");
    ASSERT_EQ(settings.AddReader(u"A"), S_OK);
    EXPECT_EQ(settings.GetReaders(), u"A");
    ASSERT_EQ(settings.AddReader(u"  B"), S_OK);
    ASSERT_EQ(settings.AddReader(u"  B"), S_OK);
    ASSERT_EQ(settings.AddReader(u"no address"), S_OK);
    EXPECT_EQ(settings.GetReaders(), u"A;  B;  B;no address");
}

TEST(HostReaders, AFullListRefusesAnotherReaderAndKeepsItsItems) {
    SettingsForm settings;
    for (int i = 0; i < kMaxListItems; ++i) ASSERT_EQ(settings.AddReader(u"a@b.c"), S_OK);
    EXPECT_EQ(settings.AddReader(u"d@e.f"), CTL_E_OUTOFMEMORY);
    EXPECT_EQ(settings.ReaderList.ListCount(), kMaxListItems);
}

// ---- The login list -----------------------------------------------------------------------------

const std::u16string kPlaceholder(qlmcontrol::kPasswordPlaceholder);

struct ChooseCase {
    const char* what;
    std::vector<std::pair<std::u16string, bool>> users;
    const char16_t* passwordBefore;
    SHORT rememberBefore;
    const char16_t* chosen;  // the item's index
    std::u16string passwordAfter;
    SHORT rememberAfter;
};

void PrintTo(const ChooseCase& c, std::ostream* os) { *os << c.what; }

class UserChosen : public ReaderGestures, public testing::WithParamInterface<ChooseCase> {};

TEST_P(UserChosen, FillsThePasswordAndTheRememberBoxFromTheItemsFlag) {
    const ChooseCase& c = GetParam();
    for (const auto& [user, hasPassword] : c.users) ASSERT_EQ(settings.AddUsername(user, hasPassword), S_OK);
    settings.Password.SetText(c.passwordBefore);
    ASSERT_EQ(settings.RMCheck.SetValue(c.rememberBefore), S_OK);

    EXPECT_EQ(Perform(u"UserCombo", u"choose", c.chosen), S_OK);
    EXPECT_EQ(Utf8(settings.Password.Text()), Utf8(c.passwordAfter));
    EXPECT_EQ(settings.RMCheck.Value(), c.rememberAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserChosen,
    testing::Values(
        ChooseCase{"flag_false_empties_a_typed_password", {{u"ann@example.com", false}}, u"typed", 1, u"0", u"", 0},
        ChooseCase{"flag_true_puts_the_placeholder", {{u"ann@example.com", true}}, u"typed", 0, u"0", kPlaceholder,
                   1},
        ChooseCase{"same_name_twice_first_flag", {{u"ann@example.com", true}, {u"ann@example.com", false}}, u"", 0,
                   u"0", kPlaceholder, 1},
        ChooseCase{"same_name_twice_second_flag", {{u"ann@example.com", true}, {u"ann@example.com", false}},
                   u"typed", 1, u"1", u"", 0}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(ReaderGestures, TypingANameThatIsNoItemLeavesThePlaceholder) {
    ASSERT_EQ(settings.AddUsername(u"ann@example.com", true), S_OK);
    ASSERT_EQ(Perform(u"UserCombo", u"choose", u"0"), S_OK);
    ASSERT_EQ(Perform(u"UserCombo", u"type", u"x"), S_OK);
    EXPECT_EQ(settings.UserCombo.Text(), u"ann@example.comx");
    EXPECT_EQ(settings.UserCombo.ListIndex(), -1);
    EXPECT_EQ(settings.Password.Text(), kPlaceholder);
    EXPECT_EQ(settings.RMCheck.Value(), kChecked);
}

TEST(HostUsers, AddUsernameAppendsWithoutChangingTheTextOrTheSelection) {
    SettingsForm settings;
    settings.UserCombo.SetText(u"typed@example.com");
    ASSERT_EQ(settings.AddUsername(u"ann@example.com", true), S_OK);
    ASSERT_EQ(settings.AddUsername(u"ann@example.com", false), S_OK);
    EXPECT_EQ(settings.UserCombo.ListCount(), 2);
    EXPECT_EQ(settings.UserCombo.ListIndex(), -1);
    EXPECT_EQ(settings.UserCombo.Text(), u"typed@example.com");
    EXPECT_EQ(settings.Password.Text(), u"");
}

}  // namespace
