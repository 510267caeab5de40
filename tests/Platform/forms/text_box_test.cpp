// The text box: code's assignments and a person's typing, MaxLength, PasswordChar, Change on real changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "event_log.h"
#include "platform/forms/forms.h"
#include "winerror.h"

using namespace platform::forms;
using formstest::EventLog;

namespace {

class TextBoxTest : public testing::Test {
protected:
    TextBoxTest() : box(form.Add<TextBox>(u"Box")) { log.Watch(box); }
    Form form{u"Form"};
    TextBox& box;
    EventLog log;
};

TEST_F(TextBoxTest, CodeRaisesChangeOnlyWhenTheTextDiffers) {
    box.SetText(u"abc");
    box.SetText(u"abc");
    box.SetText(u"");
    box.SetText(u"");
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Box.Change", "Box.Change"}));
}

TEST_F(TextBoxTest, TypingRaisesChangePerKeystroke) {
    std::vector<std::u16string> seen;
    box.Change.Add([&] { seen.push_back(box.Text()); });
    EXPECT_TRUE(box.TypeKeys(u"ab"));
    EXPECT_TRUE(box.TypeKeys(u"\b\bx\b"));
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"a", u"ab", u"a", u"", u"x", u""}));
    // A Backspace in an empty box changes nothing.
    seen.clear();
    EXPECT_TRUE(box.TypeKeys(u"\b"));
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(form.FocusedControl(), &box);
}

TEST_F(TextBoxTest, SelectAllAndTypeReplacesWithTheFirstKeystroke) {
    box.SetText(u"old");
    log.Take();
    std::vector<std::u16string> seen;
    box.Change.Add([&] { seen.push_back(box.Text()); });
    EXPECT_TRUE(box.SelectAllAndType(u"new"));
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"n", u"ne", u"new"}));
    seen.clear();
    EXPECT_TRUE(box.SelectAllAndType(u"\b"));  // selection deleted
    EXPECT_EQ(seen, std::vector<std::u16string>{u""});
}

TEST_F(TextBoxTest, PasteAndClearAreOneChangeEach) {
    box.SetText(u"ab");
    log.Take();
    EXPECT_TRUE(box.Paste(u"cd"));
    EXPECT_EQ(box.Text(), u"abcd");
    EXPECT_TRUE(box.Paste(u"xy\r\nignored", true));  // a single line takes up to the line break
    EXPECT_EQ(box.Text(), u"xy");
    EXPECT_TRUE(box.ClearText());
    EXPECT_EQ(box.Text(), u"");
    EXPECT_TRUE(box.ClearText());  // already empty: no change
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Box.Change", "Box.Change", "Box.Change"}));
}

struct LengthCase {
    const char* what;
    LONG maxLength;
    const char16_t* held;
    int gesture;  // 0 code, 1 typing, 2 paste
    const char16_t* input;
    const char16_t* expected;
    int changes;
};
void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.what; }

class MaxLengthCases : public testing::TestWithParam<LengthCase> {};

TEST_P(MaxLengthCases, TextIsCutAtMaxLength) {
    const LengthCase& c = GetParam();
    Form form(u"Form");
    auto& box = form.Add<TextBox>(u"Box");
    box.SetText(c.held);
    ASSERT_EQ(box.SetMaxLength(c.maxLength), S_OK);
    int changes = 0;
    box.Change.Add([&] { ++changes; });
    switch (c.gesture) {
    case 0: box.SetText(c.input); break;
    case 1: box.TypeKeys(c.input); break;
    default: box.Paste(c.input); break;
    }
    EXPECT_EQ(box.Text(), c.expected);
    EXPECT_EQ(changes, c.changes);
}

// U+1F600 is one character of two code units: a cut never splits it.
INSTANTIATE_TEST_SUITE_P(
    Cases, MaxLengthCases,
    testing::Values(LengthCase{"code_cuts", 3, u"", 0, u"abcdef", u"abc", 1},
                    LengthCase{"code_fits", 3, u"", 0, u"abc", u"abc", 1},
                    LengthCase{"code_no_limit", 0, u"", 0, u"abcdef", u"abcdef", 1},
                    LengthCase{"code_cut_equals_held", 3, u"abc", 0, u"abcdef", u"abc", 0},
                    LengthCase{"code_keeps_surrogate_pair_whole", 3, u"", 0, u"ab\U0001F600", u"ab", 1},
                    LengthCase{"typing_stops_at_limit", 3, u"a", 1, u"bcde", u"abc", 2},
                    LengthCase{"typing_into_full_box", 2, u"ab", 1, u"c", u"ab", 0},
                    LengthCase{"typing_pair_that_does_not_fit", 3, u"ab", 1, u"\U0001F600", u"ab", 0},
                    LengthCase{"backspace_in_full_box", 2, u"ab", 1, u"\bc", u"ac", 2},
                    LengthCase{"paste_takes_what_fits", 4, u"ab", 2, u"cdef", u"abcd", 1},
                    LengthCase{"lowered_limit_keeps_text", 2, u"abcd", 1, u"\b", u"abc", 1}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(TextBoxTest, NegativeMaxLengthIsRefused) {
    ASSERT_EQ(box.SetMaxLength(5), S_OK);
    EXPECT_EQ(box.SetMaxLength(-1), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(box.MaxLength(), 5);
}

TEST_F(TextBoxTest, PasswordCharShowsOneCharacterPerCharacter) {
    ASSERT_EQ(box.SetPasswordChar(u"*"), S_OK);
    box.TypeKeys(u"s3cr\U0001F600t");
    EXPECT_EQ(box.Text(), u"s3cr\U0001F600t");
    EXPECT_EQ(box.DisplayText(), u"******");
    EXPECT_EQ(box.SetPasswordChar(u"**"), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(box.PasswordChar(), u"*");
    ASSERT_EQ(box.SetPasswordChar(u""), S_OK);
    EXPECT_EQ(box.DisplayText(), box.Text());
}

TEST_F(TextBoxTest, APersonCannotTypeIntoABoxOutOfReach) {
    auto& frame = form.Add<Frame>(u"Frame");
    auto& inFrame = frame.Add<TextBox>(u"InFrame");
    auto& tabs = form.Add<TabDialog>(u"Tabs", SHORT{2});
    auto& offPage = tabs.Page(1).Add<TextBox>(u"OffPage");
    box.SetEnabled(false);
    frame.SetVisible(false);
    for (TextBox* target : {&box, &inFrame, &offPage}) {
        EXPECT_FALSE(target->TypeKeys(u"x"));
        EXPECT_FALSE(target->Paste(u"x"));
        EXPECT_FALSE(target->SelectAllAndType(u"x"));
        EXPECT_EQ(target->Text(), u"");
    }
    EXPECT_EQ(form.FocusedControl(), nullptr);
    // Code still reaches them.
    box.SetText(u"code");
    EXPECT_EQ(box.Text(), u"code");
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Box.Change"});
}

TEST_F(TextBoxTest, AChangeHandlerMayChangeTheBoxAndDisableIt) {
    // The handler empties the box at the second keystroke and then disables it: the third keystroke goes
    // nowhere.
    int calls = 0;
    box.Change.Add([&] {
        if (++calls == 2) {
            box.SetText(u"");
            box.SetEnabled(false);
        }
    });
    EXPECT_TRUE(box.TypeKeys(u"abc"));
    EXPECT_EQ(box.Text(), u"");
    EXPECT_EQ(calls, 3);  // a, ab, then the handler's own change to ""
}

}  // namespace
