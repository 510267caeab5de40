#include <gtest/gtest.h>

#include "platform/version.h"
#include "windows.h"

namespace {

TEST(GetVersionExW, ReportsTenInBothStructures) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    info.szCSDVersion[0] = u'?';
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(info.dwMajorVersion, 10u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.szCSDVersion[0], u'\0') << "no service pack";

    OSVERSIONINFOEXW ex{};
    ex.dwOSVersionInfoSize = sizeof(ex);
    ex.wServicePackMajor = 9;
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex)));
    EXPECT_EQ(ex.dwMajorVersion, 10u);
    EXPECT_EQ(ex.wServicePackMajor, 0u);
    EXPECT_EQ(ex.wProductType, VER_NT_WORKSTATION);
}

TEST(GetVersionExW, AnyOtherSizeIsRefusedUntouched) {
    for (DWORD size : {0u, 275u, 277u, 283u, 300u}) {
        OSVERSIONINFOEXW ex{};
        ex.dwOSVersionInfoSize = size;
        ex.dwMajorVersion = 77;
        EXPECT_FALSE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex))) << size;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << size;
        EXPECT_EQ(ex.dwMajorVersion, 77u);
    }
    EXPECT_FALSE(GetVersionExW(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOACCESS));
}

TEST(GetVersionExW, TestsCanReportWindowsXp) {
    platform::SetReportedVersion({5, 1, 2600, 3});
    OSVERSIONINFOEXW ex{};
    ex.dwOSVersionInfoSize = sizeof(ex);
    const BOOL ok = GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex));
    platform::ResetReportedVersion();
    ASSERT_TRUE(ok);
    EXPECT_EQ(ex.dwMajorVersion, 5u);
    EXPECT_EQ(ex.dwMinorVersion, 1u);
    EXPECT_EQ(ex.dwBuildNumber, 2600u);
    EXPECT_EQ(ex.wServicePackMajor, 3u);
    EXPECT_EQ(std::u16string(ex.szCSDVersion), u"Service Pack 3");

    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(info.dwMajorVersion, 10u) << "back to 10.0";
}

}  // namespace
