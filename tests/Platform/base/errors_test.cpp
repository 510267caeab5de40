#include <gtest/gtest.h>

#include <thread>

#include "windows.h"

namespace {

TEST(HresultFromWin32, FoldsPositiveErrorsAndPassesTheRest) {
    struct Case {
        DWORD in;
        DWORD out;
    } cases[] = {
        {0, 0},
        {ERROR_FILE_NOT_FOUND, 0x80070002},
        {ERROR_SHARING_VIOLATION, 0x80070020},
        {ERROR_FILE_EXISTS, 0x80070050},
        {ERROR_FILE_CORRUPT, 0x80070570},
        {ERROR_NO_UNICODE_TRANSLATION, 0x80070459},
        {0x00012345, 0x80072345},  // only the low 16 bits survive
        {0x7FFFFFFF, 0x8007FFFF},
        {0x80090005, 0x80090005},  // already an HRESULT: unchanged
        {0x80070057, 0x80070057},
    };
    for (const Case& c : cases) EXPECT_EQ(static_cast<DWORD>(HRESULT_FROM_WIN32(c.in)), c.out) << std::hex << c.in;
    static_assert(HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT) == static_cast<HRESULT>(0x80070570));
}

TEST(LastError, IsPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seen = 12345;
    std::thread([&] {
        seen = GetLastError();
        SetLastError(ERROR_DISK_FULL);
    }).join();
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(Types, HaveWindowsWidths) {
    static_assert(sizeof(WORD) == 2 && sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(ULONG) == 4);
    static_assert(sizeof(LONGLONG) == 8 && sizeof(LARGE_INTEGER) == 8 && sizeof(WCHAR) == 2);
    LARGE_INTEGER li;
    li.QuadPart = 0x0000000500000007LL;
    EXPECT_EQ(li.LowPart, 7u);
    EXPECT_EQ(li.HighPart, 5);
    EXPECT_EQ(sizeof(TEXT("ab")), 6u);  // UTF-16, with terminator
}

}  // namespace
