// The DLGTEMPLATEEX builder and parser.
#include <gtest/gtest.h>

#include "platform/dialog_template.h"
#include "winuser.h"

namespace {

using platform::DialogTemplateHeader;
using platform::DialogTemplateItem;

constexpr DialogTemplateHeader kHeader{7, 0x20, WS_POPUP | DS_SETFONT, 1, 2, 30, 40, u"Ab", {9, 700, 1, 0, u"X"}};
constexpr DialogTemplateItem kItems[] = {
    {0, 0, WS_CHILD | WS_TABSTOP, 3, 4, 5, 6, IDOK, platform::kButtonClassOrdinal, {}, u"Go"},
    {0, 0, WS_CHILD, 0, 0, 1, 1, 9, 0, u"Cls", u""},
};
constexpr auto kBytes = platform::BuildDialogTemplate<platform::DialogTemplateSize(kHeader, kItems)>(kHeader, kItems);

// The same template assembled by hand from the layout, field by field.
const std::vector<BYTE> kExpected = {
    0x01, 0x00, 0xFF, 0xFF,  // dlgVer 1, signature 0xFFFF
    0x07, 0x00, 0x00, 0x00,  // helpID
    0x20, 0x00, 0x00, 0x00,  // exStyle
    0x40, 0x00, 0x00, 0x80,  // style WS_POPUP | DS_SETFONT
    0x02, 0x00,              // two items
    0x01, 0x00, 0x02, 0x00, 0x1E, 0x00, 0x28, 0x00,  // x 1, y 2, cx 30, cy 40
    0x00, 0x00,                                      // no menu
    0x00, 0x00,                                      // standard class
    'A', 0x00, 'b', 0x00, 0x00, 0x00,                // title "Ab"
    0x09, 0x00, 0xBC, 0x02, 0x01, 0x00,              // 9 pt, weight 700, italic, charset 0
    'X', 0x00, 0x00, 0x00,                           // typeface "X", up to offset 46
    0x00, 0x00,                                      // padding: items start on a DWORD
    0x00, 0x00, 0x00, 0x00,                          // item 1: helpID
    0x00, 0x00, 0x00, 0x00,                          // exStyle
    0x00, 0x00, 0x01, 0x40,                          // style WS_CHILD | WS_TABSTOP
    0x03, 0x00, 0x04, 0x00, 0x05, 0x00, 0x06, 0x00,  // x, y, cx, cy
    0x01, 0x00, 0x00, 0x00,                          // id IDOK
    0xFF, 0xFF, 0x80, 0x00,                          // class: the button ordinal
    'G', 0x00, 'o', 0x00, 0x00, 0x00,                // title "Go"
    0x00, 0x00,                                      // no creation data; offset 84 is aligned
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // item 2: helpID, exStyle
    0x00, 0x00, 0x00, 0x40,                          // style WS_CHILD
    0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,  // x, y, cx, cy
    0x09, 0x00, 0x00, 0x00,                          // id 9
    'C', 0x00, 'l', 0x00, 's', 0x00, 0x00, 0x00,     // class "Cls"
    0x00, 0x00,                                      // empty title
    0x00, 0x00,                                      // no creation data
};

TEST(DialogTemplate, BuilderWritesTheDocumentedLayout) {
    EXPECT_EQ(std::vector<BYTE>(kBytes.begin(), kBytes.end()), kExpected);
}

TEST(DialogTemplate, ParserReadsEveryField) {
    const auto parsed = platform::ParseDialogTemplate(kExpected);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->helpId, 7u);
    EXPECT_EQ(parsed->exStyle, 0x20u);
    EXPECT_EQ(parsed->style, static_cast<DWORD>(WS_POPUP | DS_SETFONT));
    EXPECT_EQ(std::vector<short>({parsed->x, parsed->y, parsed->cx, parsed->cy}), std::vector<short>({1, 2, 30, 40}));
    EXPECT_EQ(parsed->title, u"Ab");
    EXPECT_TRUE(parsed->hasFont);
    EXPECT_EQ(parsed->pointSize, 9);
    EXPECT_EQ(parsed->weight, 700);
    EXPECT_EQ(parsed->italic, 1);
    EXPECT_EQ(parsed->typeface, u"X");
    ASSERT_EQ(parsed->items.size(), 2u);
    EXPECT_EQ(parsed->items[0].classOrdinal, platform::kButtonClassOrdinal);
    EXPECT_EQ(parsed->items[0].title, u"Go");
    EXPECT_EQ(parsed->items[0].id, static_cast<DWORD>(IDOK));
    EXPECT_EQ(parsed->items[0].style, static_cast<DWORD>(WS_CHILD | WS_TABSTOP));
    EXPECT_EQ(parsed->items[1].classOrdinal, 0);
    EXPECT_EQ(parsed->items[1].className, u"Cls");
    EXPECT_EQ(parsed->items[1].id, 9u);
}

TEST(DialogTemplate, EveryTruncationIsRefused) {
    for (std::size_t size = 0; size < kExpected.size(); ++size) {
        EXPECT_FALSE(platform::ParseDialogTemplate(std::span(kExpected.data(), size))) << size;
    }
}

TEST(DialogTemplate, TheOlderLayoutIsRefused) {
    std::vector<BYTE> old = kExpected;
    old[2] = 0;  // no 0xFFFF signature: a DLGTEMPLATE
    old[3] = 0;
    EXPECT_FALSE(platform::ParseDialogTemplate(old));
}

}  // namespace
