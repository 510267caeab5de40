// The combo box and the list box: items, ListIndex, Click, Change and DblClick.
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

class ComboBoxTest : public testing::Test {
protected:
    ComboBoxTest() : combo(form.Add<ComboBox>(u"Combo")) {
        for (const char16_t* item : {u"ann@example.com", u"bob@example.com", u"Bob@example.com"})
            EXPECT_EQ(combo.AddItem(item), S_OK);
        log.Watch(combo);
    }
    Form form{u"Form"};
    ComboBox& combo;
    EventLog log;
};

TEST_F(ComboBoxTest, ChoosingAnItemRaisesClickAndSetsTheTextWithoutChange) {
    EXPECT_TRUE(combo.ChooseItem(1));
    EXPECT_EQ(combo.ListIndex(), 1);
    EXPECT_EQ(combo.Text(), u"bob@example.com");
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Combo.Click"});
    EXPECT_TRUE(combo.ChooseItem(7));  // no item there
    EXPECT_EQ(combo.ListIndex(), 1);
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(ComboBoxTest, CodeSettingListIndexRaisesClickForEveryItemSelected) {
    std::vector<std::u16string> textsAtClick;
    combo.Click.Add([&] { textsAtClick.push_back(combo.Text()); });
    ASSERT_EQ(combo.SetListIndex(2), S_OK);
    // Selecting the selected item again is a selection too: a host re-selects to re-run its reaction.
    ASSERT_EQ(combo.SetListIndex(2), S_OK);
    ASSERT_EQ(combo.SetListIndex(-1), S_OK);  // no item becomes the selection
    EXPECT_EQ(combo.Text(), u"");
    EXPECT_EQ(textsAtClick, (std::vector<std::u16string>{u"Bob@example.com", u"Bob@example.com"}));
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Combo.Click", "Combo.Click"}));
}

TEST_F(ComboBoxTest, ListIndexOutOfRangeIsRefusedAndChangesNothing) {
    ASSERT_EQ(combo.SetListIndex(0), S_OK);
    log.Take();
    for (SHORT bad : {SHORT{3}, SHORT{-2}, SHORT{32767}, SHORT{-32768}}) {
        EXPECT_EQ(combo.SetListIndex(bad), CTL_E_INVALIDPROPERTYVALUE) << bad;
        EXPECT_EQ(TakeErrorReport(), (ErrorReport{u"Invalid property value", u"Form"}));
        EXPECT_EQ(combo.ListIndex(), 0);
        EXPECT_EQ(combo.Text(), u"ann@example.com");
    }
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(ComboBoxTest, CodeSettingTextChangesTheTextOnly) {
    ASSERT_EQ(combo.SetListIndex(0), S_OK);
    log.Take();
    combo.SetText(u"bob@example.com");  // equal to an item, still no selection change
    EXPECT_EQ(combo.ListIndex(), 0);
    combo.SetText(u"bob@example.com");
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Combo.Change"});
}

TEST_F(ComboBoxTest, TypingClearsTheSelectionWithoutClick) {
    ASSERT_EQ(combo.SetListIndex(1), S_OK);
    log.Take();
    std::vector<SHORT> indexAtChange;
    combo.Change.Add([&] { indexAtChange.push_back(combo.ListIndex()); });
    EXPECT_TRUE(combo.SelectAllAndType(u"ca"));
    EXPECT_EQ(combo.Text(), u"ca");
    EXPECT_EQ(indexAtChange, (std::vector<SHORT>{-1, -1}));
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Combo.Change", "Combo.Change"}));
    // Typing an item's text exactly does not select it either.
    EXPECT_TRUE(combo.SelectAllAndType(u"ann@example.com"));
    EXPECT_EQ(combo.ListIndex(), -1);
}

TEST_F(ComboBoxTest, ItemsAreUnsortedAndIndexedAsInserted) {
    ASSERT_EQ(combo.SetListIndex(1), S_OK);
    ASSERT_EQ(combo.AddItem(u"first", SHORT{0}), S_OK);  // before the selection: it moves with its item
    EXPECT_EQ(combo.ListIndex(), 2);
    EXPECT_EQ(combo.List(2), u"bob@example.com");
    EXPECT_EQ(combo.AddItem(u"x", SHORT{6}), CTL_E_ILLEGALFUNCTIONCALL);
    EXPECT_EQ(TakeErrorReport(), (ErrorReport{u"Invalid procedure call or argument", u"Form"}));
    EXPECT_EQ(combo.AddItem(u"x", SHORT{-1}), CTL_E_ILLEGALFUNCTIONCALL);
    EXPECT_EQ(combo.ListCount(), 4);
    EXPECT_EQ(combo.List(4), u"");
    EXPECT_EQ(combo.List(-1), u"");
    ASSERT_EQ(combo.RemoveItem(2), S_OK);  // the selected one
    EXPECT_EQ(combo.ListIndex(), -1);
    EXPECT_EQ(combo.Text(), u"bob@example.com");
    EXPECT_EQ(combo.RemoveItem(3), CTL_E_ILLEGALFUNCTIONCALL);
}

TEST_F(ComboBoxTest, AClickHandlerThatChangesTheComboSeesConsistentState) {
    // The reaction to a choice may select another item: the nested Click runs, and the outer one ends
    // without undoing it.
    combo.Click.Add([&] {
        if (combo.ListIndex() == 0) combo.SetListIndex(2);
    });
    EXPECT_TRUE(combo.ChooseItem(0));
    EXPECT_EQ(combo.ListIndex(), 2);
    EXPECT_EQ(combo.Text(), u"Bob@example.com");
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Combo.Click", "Combo.Click"}));
}

class ListBoxTest : public testing::Test {
protected:
    ListBoxTest() : list(form.Add<ListBox>(u"List")) { log.Watch(list); }
    Form form{u"Form"};
    ListBox& list;
    EventLog log;
};

TEST_F(ListBoxTest, DoubleClickOnAnItemSelectsItFirst) {
    for (const char16_t* item : {u"a", u"b", u"c"}) ASSERT_EQ(list.AddItem(item), S_OK);
    SHORT indexAtDblClick = -2;
    list.DblClick.Add([&] { indexAtDblClick = list.ListIndex(); });
    EXPECT_TRUE(list.DoubleClickItem(1));
    EXPECT_EQ(indexAtDblClick, 1);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"List.Click", "List.DblClick"}));
}

TEST_F(ListBoxTest, DoubleClickOnTheEmptyAreaKeepsTheSelection) {
    SHORT indexAtDblClick = -2;
    list.DblClick.Add([&] { indexAtDblClick = list.ListIndex(); });
    EXPECT_TRUE(list.DoubleClickItem(0));  // an empty list: all of it is empty area
    EXPECT_EQ(indexAtDblClick, -1);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"List.DblClick"});
    EXPECT_TRUE(list.ClickItem(0));  // a single click there does nothing
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(ListBoxTest, ADblClickHandlerMayRemoveTheItem) {
    for (const char16_t* item : {u"a", u"b", u"c"}) ASSERT_EQ(list.AddItem(item), S_OK);
    list.DblClick.Add([&] {
        if (list.ListIndex() >= 0) list.RemoveItem(list.ListIndex());
    });
    EXPECT_TRUE(list.DoubleClickItem(1));
    EXPECT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.List(1), u"c");
    EXPECT_EQ(list.ListIndex(), -1);
}

TEST_F(ListBoxTest, RemovalKeepsTheSelectionOnItsItem) {
    for (const char16_t* item : {u"a", u"b", u"c", u"d"}) ASSERT_EQ(list.AddItem(item), S_OK);
    ASSERT_EQ(list.SetListIndex(2), S_OK);
    ASSERT_EQ(list.RemoveItem(0), S_OK);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.Text(), u"c");
    ASSERT_EQ(list.RemoveItem(2), S_OK);  // after it
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.RemoveItem(-1), CTL_E_ILLEGALFUNCTIONCALL);
    EXPECT_EQ(list.RemoveItem(2), CTL_E_ILLEGALFUNCTIONCALL);
    EXPECT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.SetListIndex(2), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(list.ListIndex(), 1);
    // Removals raise nothing; only the SetListIndex above did.
    EXPECT_EQ(log.Take(), std::vector<std::string>{"List.Click"});
}

TEST_F(ListBoxTest, HoldsAtMost32767Items) {
    for (int i = 0; i < kMaxListItems; ++i) ASSERT_EQ(list.AddItem(u"x"), S_OK);
    EXPECT_EQ(list.ListCount(), 32767);
    EXPECT_EQ(list.AddItem(u"one too many"), CTL_E_OUTOFMEMORY);
    EXPECT_EQ(TakeErrorReport(), (ErrorReport{u"Out of memory", u"Form"}));
    EXPECT_EQ(list.AddItem(u"one too many", SHORT{0}), CTL_E_OUTOFMEMORY);
    EXPECT_EQ(list.ListCount(), 32767);
    EXPECT_EQ(list.List(0), u"x");
    ASSERT_EQ(list.SetListIndex(32766), S_OK);
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
}

TEST_F(ListBoxTest, GesturesOnADisabledListDoNothing) {
    ASSERT_EQ(list.AddItem(u"a"), S_OK);
    list.SetEnabled(false);
    EXPECT_FALSE(list.ClickItem(0));
    EXPECT_FALSE(list.DoubleClickItem(0));
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_TRUE(log.Take().empty());
}

}  // namespace
