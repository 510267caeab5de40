// The progress bar's messages: documented answers, clamping and wrapping, and that they are answered
// on the sender's thread.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "commctrl.h"
#include "windows.h"

namespace {

HWND NewBar() {
    const INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    EXPECT_TRUE(InitCommonControlsEx(&icc));
    return CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 20, 20, 260, 17, nullptr, nullptr,
                           nullptr, nullptr);
}

class ProgressBarTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(bar_ = NewBar(), nullptr); }
    void TearDown() override { DestroyWindow(bar_); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessageW(bar_, message, wParam, lParam); }
    HWND bar_ = nullptr;
};

struct Step {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT answer;    // what the message returns
    LRESULT position;  // PBM_GETPOS afterwards
};

struct Script {
    const char* name;
    std::vector<Step> steps;
};

class ProgressBarScript : public ProgressBarTest, public testing::WithParamInterface<Script> {};

TEST_P(ProgressBarScript, AnswersAndPositions) {
    int i = 0;
    for (const Step& step : GetParam().steps) {
        EXPECT_EQ(Send(step.message, step.wParam, step.lParam), step.answer) << "step " << i;
        EXPECT_EQ(Send(PBM_GETPOS), step.position) << "step " << i;
        ++i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ProgressBarScript,
    testing::Values(
        // A new bar: range 0-100, step 10, position 0.
        Script{"Defaults",
               {{PBM_SETRANGE, 0, MAKELPARAM(0, 210), MAKELONG(0, 100), 0},
                {PBM_SETSTEP, 1, 0, 10, 0},
                {PBM_SETSTEP, 5, 0, 1, 0}}},
        Script{"SetPosReturnsThePreviousAndClamps",
               {{PBM_SETRANGE, 0, MAKELPARAM(10, 50), MAKELONG(0, 100), 10},
                {PBM_SETPOS, 30, 0, 10, 30},
                {PBM_SETPOS, 500, 0, 30, 50},
                {PBM_SETPOS, 3, 0, 50, 10},
                {PBM_SETPOS, static_cast<WPARAM>(-7), 0, 10, 10}}},
        // Past the top, the position starts over from the bottom of the range.
        Script{"StepItWraps",
               {{PBM_SETRANGE, 0, MAKELPARAM(0, 10), MAKELONG(0, 100), 0},
                {PBM_SETSTEP, 4, 0, 10, 0},
                {PBM_STEPIT, 0, 0, 0, 4},
                {PBM_STEPIT, 0, 0, 4, 8},
                {PBM_STEPIT, 0, 0, 8, 2},
                {PBM_SETPOS, 10, 0, 2, 10},
                {PBM_SETSTEP, 1, 0, 4, 10},
                {PBM_STEPIT, 0, 0, 10, 1}}},
        Script{"StepItBackwardsWrapsFromTheTop",
               {{PBM_SETRANGE, 0, MAKELPARAM(0, 10), MAKELONG(0, 100), 0},
                {PBM_SETSTEP, static_cast<WPARAM>(-3), 0, 10, 0},
                {PBM_STEPIT, 0, 0, 0, 7}}},
        Script{"DeltaPosClamps",
               {{PBM_DELTAPOS, 40, 0, 0, 40}, {PBM_DELTAPOS, 100, 0, 40, 100}, {PBM_DELTAPOS, static_cast<WPARAM>(-150), 0, 100, 0}}},
        // A new range pulls the position into it; the previous range comes back in two words.
        Script{"RangeChangeClampsThePosition",
               {{PBM_SETPOS, 90, 0, 0, 90},
                {PBM_SETRANGE, 0, MAKELPARAM(0, 50), MAKELONG(0, 100), 50},
                {PBM_SETRANGE32, 60, 70000, MAKELONG(0, 50), 60},
                {PBM_SETRANGE, 0, MAKELPARAM(0, 210), MAKELONG(60, 70000 & 0xFFFF), 60}}},
        Script{"EmptyRange",
               {{PBM_SETRANGE, 0, MAKELPARAM(5, 5), MAKELONG(0, 100), 5},
                {PBM_SETPOS, 9, 0, 5, 5},
                {PBM_STEPIT, 0, 0, 5, 5}}}),
    [](const testing::TestParamInfo<Script>& info) { return info.param.name; });

TEST_F(ProgressBarTest, GetRangeGivesEitherLimitAndFillsTheStructure) {
    Send(PBM_SETRANGE32, static_cast<WPARAM>(-5), 300);
    PBRANGE range{};
    EXPECT_EQ(Send(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), -5);
    EXPECT_EQ(range.iLow, -5);
    EXPECT_EQ(range.iHigh, 300);
    EXPECT_EQ(Send(PBM_GETRANGE, FALSE, 0), 300);
}

TEST_F(ProgressBarTest, MessagesToADestroyedBarAreAnsweredWithZero) {
    Send(PBM_SETPOS, 40);
    const HWND gone = bar_;
    ASSERT_TRUE(DestroyWindow(bar_));
    bar_ = nullptr;
    SetLastError(0);
    EXPECT_EQ(SendMessageW(gone, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(SendMessageW(gone, PBM_SETPOS, 50, 0), 0);
    EXPECT_EQ(SendMessageW(nullptr, PBM_SETPOS, 50, 0), 0);
    EXPECT_FALSE(IsWindow(gone));
}

// The bar's owner is blocked and pumps nothing, yet messages from another thread are answered: they
// never wait for the owning thread.
TEST(ProgressBarThreads, AnsweredOnTheSendersThreadWhileTheOwnerIsBlocked) {
    std::promise<HWND> created;
    std::promise<void> release;
    std::thread owner([&] {
        created.set_value(NewBar());
        release.get_future().wait();
    });
    const HWND bar = created.get_future().get();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 210)), MAKELONG(0, 100));
    for (int position = 1; position <= 210; ++position) {
        EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, position, 0), position - 1);
    }
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 210);
    release.set_value();
    owner.join();
    // The owner's end took its windows with it.
    EXPECT_FALSE(IsWindow(bar));
}

// Registered by InitCommonControlsEx only (with the right structure size).
int ClassRegistrationCheck() {
    const HWND before =
        CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const DWORD error = GetLastError();
    const INITCOMMONCONTROLSEX wrongSize{12, ICC_PROGRESS_CLASS};
    const BOOL refused = InitCommonControlsEx(&wrongSize);
    const HWND stillNone =
        CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const HWND after = NewBar();
    return before == nullptr && error == ERROR_CANNOT_FIND_WND_CLASS && !refused && stillNone == nullptr &&
                   after != nullptr
               ? 0
               : 1;
}

// Run in a fresh process, where nothing has registered the class yet.
TEST(ProgressBarClassDeathTest, NeedsInitCommonControlsEx) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(ClassRegistrationCheck()), testing::ExitedWithCode(0), "");
}

}  // namespace
