// Base64 as the engine's texts use it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Base64.h"

namespace {

using qlmfile::DecodeBase64;
using qlmfile::EncodeBase64;

std::string AsText(const std::vector<BYTE>& bytes, DWORD size) { return std::string(bytes.begin(), bytes.begin() + size); }

TEST(DecodeBase64, SkipsWhatIsNotInTheAlphabetAndStopsWhereTheTextEnds) {
    struct Case {
        const char* what;
        std::string text;
        std::size_t textLength;  // npos: the whole text
        std::string decoded;
    } cases[] = {
        {"plain", "Zm9vYmFy", std::string::npos, "foobar"},
        {"line breaks and spaces", "Zm9v\r\nYm Fy\n", std::string::npos, "foobar"},
        {"padding", "Zm9vYg==", std::string::npos, "foob"},
        {"padding left out", "Zm9vYg", std::string::npos, "foob"},
        {"padding in the middle", "Zm=9v=YmE", std::string::npos, "fooba"},
        {"only padding", "====", std::string::npos, ""},
        {"only outsiders", "-_.!\r\n", std::string::npos, ""},
        {"one character: no byte", "Zm9vY", std::string::npos, "foo"},
        {"empty", "", std::string::npos, ""},
        {"NUL where a group starts", std::string("Zm9v\0YmFy", 9), std::string::npos, "foo"},
        {"NUL after skipped bytes is skipped too", std::string("Zm9v\r\n\0YmFy", 11), std::string::npos, "foobar"},
        {"NUL inside a group is skipped", std::string("Zm\0" "9vYmFy", 9), std::string::npos, "foobar"},
        {"text length cuts the text", "Zm9vYmFy", 4, "foo"},
        {"text length inside a group", "Zm9vYmFy", 7, "fooba"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DWORD textLength = static_cast<DWORD>(c.textLength == std::string::npos ? c.text.size() : c.textLength);
        std::vector<BYTE> buffer(16, 0xEE);
        DWORD length = static_cast<DWORD>(buffer.size());
        EXPECT_TRUE(DecodeBase64(c.text.data(), textLength, buffer.data(), &length));
        EXPECT_EQ(length, c.decoded.size());
        EXPECT_EQ(AsText(buffer, length), c.decoded);
        EXPECT_EQ(buffer[length], 0xEE);
    }
}

// The capacity counts whole groups: the group that does not fit is not written, nor any after it,
// and the full size comes back all the same.
TEST(DecodeBase64, RefusesWhatDoesNotFitAndStillReportsTheFullSize) {
    const std::string text = "Zm9vYmFyYmF6";  // "foobarbaz"
    struct Case {
        DWORD capacity;
        bool ok;
        std::string written;
    } cases[] = {
        {10, true, "foobarbaz"}, {9, true, "foobarbaz"}, {8, false, "foobar"}, {6, false, "foobar"},
        {5, false, "foo"},       {2, false, ""},           {0, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        std::vector<BYTE> buffer(12, '.');
        DWORD length = c.capacity;
        EXPECT_EQ(DecodeBase64(text.data(), static_cast<DWORD>(text.size()), buffer.data(), &length), c.ok);
        EXPECT_EQ(length, 9u);
        EXPECT_EQ(AsText(buffer, 9), c.written + std::string(9 - c.written.size(), '.'));
    }
    DWORD length = 100;
    EXPECT_FALSE(DecodeBase64(text.data(), static_cast<DWORD>(text.size()), nullptr, &length));
    EXPECT_EQ(length, 9u);
    length = 100;
    EXPECT_FALSE(DecodeBase64("", 0, nullptr, &length));  // no buffer: false even for nothing
    EXPECT_EQ(length, 0u);
}

// RFC 4648, section 10.
TEST(EncodeBase64, GivesTheStandardTextWithPaddingAndNoLineBreaks) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [data, text] : cases)
        EXPECT_EQ(EncodeBase64(reinterpret_cast<const BYTE*>(data.data()), data.size()), text) << data;

    // Every byte value, and long enough that a line-breaking encoder would break it.
    std::vector<BYTE> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<BYTE>(i);
    const std::string encoded = EncodeBase64(all.data(), all.size());
    EXPECT_EQ(encoded.size(), 344u);
    EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
    // python3 -c 'import base64; print(base64.b64encode(bytes(range(256)))[-8:])'
    EXPECT_EQ(encoded.substr(encoded.size() - 8), "/P3+/w==");
    std::vector<BYTE> back(encoded.size());
    DWORD length = static_cast<DWORD>(back.size());
    ASSERT_TRUE(DecodeBase64(encoded.data(), static_cast<DWORD>(encoded.size()), back.data(), &length));
    back.resize(length);
    EXPECT_EQ(back, all);
}

}  // namespace
