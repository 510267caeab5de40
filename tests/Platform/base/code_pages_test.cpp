#include <gtest/gtest.h>

#include <string>

#include "windows.h"

namespace {

TEST(MultiByteToWideChar, MeasuresThenConvertsWithTerminator) {
    const char* text = "caf\xC3\xA9 \xF0\x9F\x94\x92";  // "café 🔒": a two-byte and a four-byte sequence
    for (UINT cp : {CP_ACP, CP_THREAD_ACP, CP_UTF8}) {
        const int needed = MultiByteToWideChar(cp, 0, text, -1, nullptr, 0);
        ASSERT_EQ(needed, 8) << cp;  // c a f é space + surrogate pair + NUL
        std::u16string out(needed, u'?');
        ASSERT_EQ(MultiByteToWideChar(cp, 0, text, -1, out.data(), needed), needed);
        EXPECT_EQ(out, std::u16string(u"caf\u00e9 \U0001F512") + u'\0');
    }
}

TEST(MultiByteToWideChar, ExplicitLengthHasNoTerminator) {
    WCHAR out[4] = {u'x', u'x', u'x', u'x'};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, out, 4), 3);
    EXPECT_EQ(std::u16string(out, 4), u"abcx");
}

struct BadInput {
    const char* name;
    std::string bytes;
};

class InvalidUtf8 : public testing::TestWithParam<BadInput> {};

TEST_P(InvalidUtf8, FailsWithNoUnicodeTranslation) {
    const std::string& bytes = GetParam().bytes;
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

INSTANTIATE_TEST_SUITE_P(Bytes, InvalidUtf8,
                         testing::Values(BadInput{"lone_continuation", "a\x80"}, BadInput{"truncated", "\xC3"},
                                         BadInput{"overlong_slash", "\xC0\xAF"}, BadInput{"surrogate", "\xED\xA0\x80"},
                                         BadInput{"past_10FFFF", "\xF4\x90\x80\x80"}, BadInput{"latin1", "caf\xE9"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MultiByteToWideChar, BufferTooSmallAndBadArguments) {
    WCHAR out[2];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, out, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, out, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, out, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(WideCharToMultiByte, RoundTripsAndMeasures) {
    const std::u16string text = u"R\u00e9sum\u00e9 \U0001F512";
    const int needed = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    ASSERT_EQ(needed, 14);  // R é(2) s u m é(2) space 🔒(4) NUL
    std::string out(needed, '?');
    ASSERT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, out.data(), needed, nullptr, nullptr), needed);
    EXPECT_EQ(out, std::string("R\xC3\xA9sum\xC3\xA9 \xF0\x9F\x94\x92") + '\0');
}

TEST(WideCharToMultiByte, UnpairedSurrogateFails) {
    for (const std::u16string& bad : {std::u16string(u"a\xD800"), std::u16string(u"\xDC00z"), std::u16string(u"\xD800\xD800")}) {
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, bad.data(), static_cast<int>(bad.size()), nullptr, 0, nullptr, nullptr), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    }
}

TEST(WideCharToMultiByte, DefaultCharacterIsRefusedForUtf8) {
    BOOL used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -1, nullptr, 0, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
