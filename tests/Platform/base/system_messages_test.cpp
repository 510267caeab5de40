#include <gtest/gtest.h>

#include <string>

#include "windows.h"

namespace {

std::u16string SystemText(DWORD id) {
    LPWSTR buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, id, 0,
                                   reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (n == 0) return {};
    std::u16string text(buffer, n);
    LocalFree(buffer);
    return text;
}

TEST(FormatMessage, EveryErrorTheSystemProducesHasOneSentence) {
    const DWORD ids[] = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION,
                         ERROR_FILE_EXISTS, ERROR_DISK_FULL, ERROR_INVALID_PARAMETER, ERROR_FILE_CORRUPT,
                         ERROR_NO_UNICODE_TRANSLATION, static_cast<DWORD>(E_INVALIDARG), static_cast<DWORD>(E_FAIL),
                         static_cast<DWORD>(E_OUTOFMEMORY), static_cast<DWORD>(E_NOTIMPL),
                         static_cast<DWORD>(REGDB_E_CLASSNOTREG), static_cast<DWORD>(NTE_BAD_DATA),
                         static_cast<DWORD>(NTE_BAD_KEYSET), static_cast<DWORD>(NTE_KEYSET_NOT_DEF),
                         static_cast<DWORD>(NTE_PROV_TYPE_NO_MATCH), static_cast<DWORD>(NTE_BAD_ALGID)};
    for (DWORD id : ids) {
        const std::u16string text = SystemText(id);
        ASSERT_GT(text.size(), 2u) << std::hex << id;
        EXPECT_EQ(text.back(), u'\n') << std::hex << id;
        EXPECT_EQ(text.find(u'\n'), text.size() - 1) << "one line: " << std::hex << id;
    }
    EXPECT_EQ(SystemText(ERROR_FILE_CORRUPT), u"The file or directory is corrupted and unreadable.\n");
}

TEST(FormatMessage, UnknownIdsHaveNoText) {
    // The product's own statuses and folded Win32 errors are not in the table; callers fall back.
    for (DWORD id : {0x800FF004u, 0x800FF01Bu, 0x80070570u, 0x80070020u, 0xF004u}) {
        SetLastError(0);
        EXPECT_TRUE(SystemText(id).empty()) << std::hex << id;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
    }
}

TEST(FormatMessage, CallerBufferFormAndBadFlags) {
    WCHAR small[4];
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, small, 4, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    WCHAR big[64];
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, big, 64, nullptr), 18u);
    EXPECT_EQ(std::u16string(big), u"Access is denied.\n");
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, nullptr, 0, 0, big, 64, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
