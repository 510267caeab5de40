#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/fault_injection.h"

namespace {

using platform::com::UniqueBstr;

DWORD PrefixOf(BSTR s) {
    DWORD prefix;
    std::memcpy(&prefix, reinterpret_cast<const BYTE*>(s) - sizeof(DWORD), sizeof prefix);
    return prefix;
}

// The two bytes after the last character must be zero, whatever the length.
bool Terminated(BSTR s, std::size_t bytes) {
    const auto* p = reinterpret_cast<const BYTE*>(s);
    return p[bytes] == 0 && p[bytes + 1] == 0;
}

TEST(Bstr, WindowsLayoutByteLengthBeforeNulAfter) {
    UniqueBstr s(SysAllocString(u"key"));
    ASSERT_TRUE(s);
    EXPECT_EQ(PrefixOf(s.Get()), 6u);
    EXPECT_EQ(SysStringLen(s.Get()), 3u);
    EXPECT_EQ(SysStringByteLen(s.Get()), 6u);
    EXPECT_EQ(std::u16string_view(s.Get(), 3), u"key");
    EXPECT_TRUE(Terminated(s.Get(), 6));
}

TEST(Bstr, LengthCountsEmbeddedNulsAndNullSourceGivesZeros) {
    const OLECHAR text[] = {u'a', 0, u'b'};
    UniqueBstr s(SysAllocStringLen(text, 3));
    ASSERT_TRUE(s);
    EXPECT_EQ(SysStringLen(s.Get()), 3u);
    EXPECT_EQ(std::u16string_view(s.Get(), 3), std::u16string_view(text, 3));

    UniqueBstr blank(SysAllocStringLen(nullptr, 4));
    ASSERT_TRUE(blank);
    EXPECT_EQ(SysStringLen(blank.Get()), 4u);
    EXPECT_EQ(std::u16string_view(blank.Get(), 4), std::u16string_view(u"\0\0\0\0", 4));
    EXPECT_TRUE(Terminated(blank.Get(), 8));
}

TEST(Bstr, ByteLengthStringKeepsAnOddLength) {
    UniqueBstr s(SysAllocStringByteLen("abcde", 5));
    ASSERT_TRUE(s);
    EXPECT_EQ(SysStringByteLen(s.Get()), 5u);
    EXPECT_EQ(SysStringLen(s.Get()), 2u);
    EXPECT_EQ(std::memcmp(s.Get(), "abcde", 5), 0);
    EXPECT_TRUE(Terminated(s.Get(), 5));
}

TEST(Bstr, EmptyIsNotNull) {
    UniqueBstr empty(SysAllocString(u""));
    ASSERT_TRUE(empty);
    EXPECT_EQ(SysStringLen(empty.Get()), 0u);
    EXPECT_EQ(empty.Get()[0], 0);
}

TEST(Bstr, NullIsTheEmptyString) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(Bstr, LengthsPastThe32BitPrefixAreRefused) {
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

// Any module frees any other's BSTR: the block is the C heap's, starting at the length prefix.
TEST(Bstr, BlockBelongsToTheCHeap) {
    BSTR s = SysAllocString(u"shared");
    ASSERT_NE(s, nullptr);
    std::free(reinterpret_cast<BYTE*>(s) - sizeof(DWORD));
}

TEST(Bstr, ReAllocFromItsOwnCharacters) {
    BSTR s = SysAllocString(u"token text");
    ASSERT_TRUE(SysReAllocString(&s, s + 6));
    EXPECT_EQ(std::u16string_view(s, SysStringLen(s)), u"text");
    ASSERT_TRUE(SysReAllocStringLen(&s, s + 1, 2));
    EXPECT_EQ(std::u16string_view(s, SysStringLen(s)), u"ex");
    SysFreeString(s);
}

TEST(Bstr, ReAllocLenWithoutSourceKeepsWhatFits) {
    BSTR s = SysAllocString(u"abcdef");
    ASSERT_TRUE(SysReAllocStringLen(&s, nullptr, 3));
    EXPECT_EQ(std::u16string_view(s, SysStringLen(s)), u"abc");
    ASSERT_TRUE(SysReAllocStringLen(&s, nullptr, 5));
    EXPECT_EQ(std::u16string_view(s, SysStringLen(s)), std::u16string_view(u"abc\0\0", 5));
    SysFreeString(s);
}

TEST(Bstr, ReAllocToNullFreesAndNullSlotIsRefused) {
    BSTR s = SysAllocString(u"gone");
    EXPECT_TRUE(SysReAllocString(&s, nullptr));
    EXPECT_EQ(s, nullptr);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
    EXPECT_FALSE(SysReAllocStringLen(nullptr, u"x", 1));
}

TEST(Bstr, FailedReAllocLeavesTheOldString) {
    BSTR s = SysAllocString(u"old");
    {
        platform::fault::Scoped fail("SysReAllocString", 0);
        EXPECT_FALSE(SysReAllocString(&s, u"new"));
    }
    EXPECT_EQ(std::u16string_view(s, SysStringLen(s)), u"old");
    SysFreeString(s);
}

TEST(Bstr, InjectedAllocationFailureGivesNull) {
    for (const char* point : {"SysAllocString", "SysAllocStringLen", "SysAllocStringByteLen"}) {
        platform::fault::Scoped fail(point, 0);
        BSTR a = SysAllocString(u"x");
        BSTR b = SysAllocStringLen(u"x", 1);
        BSTR c = SysAllocStringByteLen("x", 1);
        EXPECT_EQ((a == nullptr) + (b == nullptr) + (c == nullptr), 1) << point;
        SysFreeString(a);
        SysFreeString(b);
        SysFreeString(c);
    }
}

TEST(Bstr, UniqueBstrWipesBeforeFreeing) {
    UniqueBstr key(SysAllocString(u"secret"));
    BSTR raw = key.Get();
    key.Wipe();
    EXPECT_EQ(std::u16string_view(raw, 6), std::u16string_view(u"\0\0\0\0\0\0", 6));
    EXPECT_EQ(SysStringLen(raw), 6u);
}

}  // namespace
