#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <set>

#include "KeyMaterial.h"
#include "winerror.h"

namespace {

using namespace local_engine;

// The test vectors of RFC 4648, section 10; the long one from
// python3 -c "import base64; print(base64.b64encode(bytes(range(100))))"
TEST(Base64, KnownAnswers) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},       {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : cases)
        EXPECT_EQ(Base64(reinterpret_cast<const unsigned char*>(plain.data()), plain.size()), encoded) << plain;

    unsigned char bytes[100];
    for (int i = 0; i < 100; ++i) bytes[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(Base64(bytes, sizeof bytes),
              "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZH"
              "SElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiYw==");  // one line, however long
}

TEST(RandomBase64, FreshEachTimeWithTheRightLength) {
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        Secret key;
        ASSERT_EQ(RandomBase64(kKeyBytes, key), S_OK);
        EXPECT_TRUE(std::regex_match(key.Text(), std::regex("[A-Za-z0-9+/]{43}="))) << key.Text();
        seen.insert(key.Text());
    }
    EXPECT_EQ(seen.size(), 50u);
}

class FixedTimeZone : public testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
        setenv("TZ", "UTC-2", 1);  // two hours east of UTC, in POSIX notation
        tzset();
    }
    void TearDown() override {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    std::optional<std::string> saved_;
};

// 2024-05-01 12:03:09 UTC: python3 -c "import calendar; print(calendar.timegm((2024,5,1,12,3,9)))"
constexpr std::time_t kMayDay = 1714564989;

TEST_F(FixedTimeZone, CommentSaysWhoLockedWhereAndWhenInLocalTime) {
    const std::string comment = LockComment(kMayDay);
    EXPECT_TRUE(std::regex_match(comment, std::regex("Locked by .+ on .+ at 2024-05-01T14:03:09\\+02:00"))) << comment;
    const passwd* user = getpwuid(geteuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(comment.rfind(std::string("Locked by ") + user->pw_name + " on ", 0), 0u) << comment;
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_NE(comment.find(std::string(" on ") + host + " at "), std::string::npos) << comment;
}

TEST_F(FixedTimeZone, StoreTimestampIsUtc) { EXPECT_EQ(UtcTimestamp(kMayDay), "2024-05-01T12:03:09Z"); }

}  // namespace
