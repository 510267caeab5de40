#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <set>
#include <thread>
#include <vector>

#include "kernel_test_support.h"
#include "platform/utf.h"

namespace {

std::string Utf8(const WCHAR* text) { return *platform::Utf16ToUtf8(std::u16string_view(text)); }

TEST(GetTempFileNameW, CreatesNewEmptyFilesUnderUniqueNames) {
    qlmtest::TempDir dir;
    const std::u16string folder = qlmtest::Utf16(dir.path());
    std::set<std::string> names;
    const std::regex pattern(dir.path().string() + "/qlm([0-9A-F]{1,4})\\.TMP");
    for (int i = 0; i < 50; ++i) {
        WCHAR name[MAX_PATH];
        const UINT number = GetTempFileNameW(folder.c_str(), TEXT("qlmfile"), 0, name);
        ASSERT_NE(number, 0u) << GetLastError();
        const std::string text = Utf8(name);
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, pattern)) << text;
        EXPECT_EQ(std::stoul(match[1].str(), nullptr, 16), number);
        EXPECT_EQ(std::filesystem::file_size(text), 0u);
        names.insert(text);
    }
    EXPECT_EQ(names.size(), 50u);
    EXPECT_EQ(dir.Names().size(), 50u);
}

TEST(GetTempFileNameW, ThreadsNeverGetTheSameName) {
    qlmtest::TempDir dir;
    const std::u16string folder = qlmtest::Utf16(dir.path().string() + "/");  // a closing slash is not doubled
    std::mutex mutex;
    std::set<std::u16string> names;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 100; ++i) {
                WCHAR name[MAX_PATH];
                if (GetTempFileNameW(folder.c_str(), TEXT("t"), 0, name) == 0) continue;
                std::lock_guard lock(mutex);
                names.insert(name);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(names.size(), 400u);
    EXPECT_EQ(dir.Names().size(), 400u);
    EXPECT_EQ(names.begin()->find(u"//"), std::u16string::npos);
}

TEST(GetTempFileNameW, AGivenNumberOnlyFormsTheName) {
    qlmtest::TempDir dir;
    WCHAR name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameW(qlmtest::Utf16(dir.path()).c_str(), TEXT("ab"), 0x1ABCD, name), 0x1ABCDu);
    EXPECT_EQ(Utf8(name), dir.path().string() + "/abABCD.TMP");
    EXPECT_TRUE(dir.Names().empty());
}

TEST(GetTempFileNameW, Failures) {
    qlmtest::TempDir dir;
    WCHAR name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameW(qlmtest::Utf16(dir / "none").c_str(), TEXT("x"), 0, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    const std::u16string deep = qlmtest::Utf16(dir.path()) + u"/" + std::u16string(MAX_PATH, u'd');
    EXPECT_EQ(GetTempFileNameW(deep.c_str(), TEXT("x"), 0, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(dir.Names().empty());
}

}  // namespace
