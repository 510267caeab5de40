#include <gtest/gtest.h>

#include "platform/fault_injection.h"
#include "windows.h"

namespace {

int Convert() { return MultiByteToWideChar(CP_ACP, 0, "x", -1, nullptr, 0); }

TEST(FaultInjection, FailsTheNthCallOnlyAndSetsTheLastError) {
    platform::fault::Scoped fault("MultiByteToWideChar", ERROR_OUTOFMEMORY, 2);
    EXPECT_EQ(Convert(), 2);
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OUTOFMEMORY));
    EXPECT_EQ(Convert(), 2);
}

TEST(FaultInjection, TimesZeroFailsUntilDisarmed) {
    platform::fault::Arm("MultiByteToWideChar", ERROR_DISK_FULL, 1, 0);
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(Convert(), 0);
    platform::fault::DisarmAll();
    EXPECT_EQ(Convert(), 2);
}

TEST(FaultInjection, CountsCallsPerPoint) {
    platform::fault::StartCounting();
    Convert();
    Convert();
    EXPECT_EQ(platform::fault::Count("MultiByteToWideChar"), 2u);
    EXPECT_EQ(platform::fault::Count("WideCharToMultiByte"), 0u);
    platform::fault::StopCounting();
}

}  // namespace
