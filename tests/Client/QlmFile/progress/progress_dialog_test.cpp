// The progress dialog with the scripted presenter: the handshake, the positions an operation drives,
// the ways it ends, and a dialog that cannot come up.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "ProcessState.h"
#include "ProgressDialog.h"
#include "commctrl.h"
#include "platform/fault_injection.h"
#include "platform/presenter.h"
#include "windows.h"

namespace {

using platform::DialogInput;
using platform::ScriptedPresenter;
using qlmfile::Process;

// Long enough for any machine to bring the dialog up; a dialog that comes up returns it at once.
constexpr DWORD kGenerousWaitMs = 10000;
// For a dialog that never comes up.
constexpr DWORD kShortWaitMs = 50;

class ProgressDialog : public testing::Test {
protected:
    void SetUp() override {
        Process().instance = GetModuleHandleW(nullptr);
        Process().readyEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        ASSERT_NE(Process().readyEvent, nullptr);
        Process().progressBar = nullptr;
        Process().cancelFlag = 0;
    }

    void TearDown() override {
        platform::fault::DisarmAll();
        // Nobody waits for the dialog thread in the product; a test must not leave it running.
        if (const HWND dialog = presenter_.ShownDialog()) {
            EndDialog(dialog, 0);
            EXPECT_TRUE(presenter_.WaitForEnded(kGenerousWaitMs));
        }
        CloseHandle(Process().readyEvent);
        Process().readyEvent = nullptr;
    }

    HWND Bar() const { return Process().progressBar.load(); }

    // Starts the dialog as an operation does and waits until the presenter shows it.
    HWND Start() {
        qlmfile::StartProgressDialog(kGenerousWaitMs);
        EXPECT_TRUE(presenter_.WaitForShown(kGenerousWaitMs));
        return presenter_.ShownDialog();
    }
    LRESULT ToBar(UINT message, WPARAM wParam = 0) { return SendMessageW(Bar(), message, wParam, 0); }

    // What lock does to the bar: two milestones, one position per chunk, three milestones, the end.
    void DriveLikeLock(const std::vector<DWORD>& chunks) {
        DWORD total = 0;
        for (DWORD chunk : chunks) total += chunk;
        ToBar(PBM_SETSTEP, 1);
        ToBar(PBM_STEPIT);
        ToBar(PBM_STEPIT);
        DWORD done = 0;
        for (DWORD chunk : chunks) {
            done += chunk;
            ToBar(PBM_SETPOS, 5 + 200ull * done / total);
        }
        ToBar(PBM_STEPIT);
        ToBar(PBM_STEPIT);
        ToBar(PBM_STEPIT);
        ToBar(PBM_SETPOS, 210);
    }

    ScriptedPresenter presenter_;
};

TEST_F(ProgressDialog, ReadyEventIsSetOnlyAfterTheBarHandleIsStored) {
    // At the bar's first change (its range, set on the dialog thread), the handle must already be
    // stored and the event not yet set.
    std::atomic<int> checks{0};
    std::atomic<bool> storedFirst{false};
    std::atomic<bool> eventStillClear{false};
    presenter_.OnBarChanged([&](HWND bar, const platform::ProgressBarState&) {
        if (checks++ != 0) return;
        storedFirst = Process().progressBar.load() == bar;
        eventStillClear = WaitForSingleObject(Process().readyEvent, 0) == WAIT_TIMEOUT;
    });
    qlmfile::StartProgressDialog(kGenerousWaitMs);
    ASSERT_NE(Bar(), nullptr);
    ASSERT_TRUE(presenter_.WaitForShown(kGenerousWaitMs));
    EXPECT_TRUE(storedFirst);
    EXPECT_TRUE(eventStillClear);
    // The bar as the dialog made it: a child of the dialog at 20, 20, 260 x 17, range 0-210, step 1.
    const HWND dialog = presenter_.ShownDialog();
    EXPECT_EQ(GetParent(Bar()), dialog);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(Bar(), &rect));
    EXPECT_EQ(rect.left, 20);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right, 280);
    EXPECT_EQ(rect.bottom, 37);
    EXPECT_EQ(ToBar(PBM_GETRANGE, TRUE), 0);
    EXPECT_EQ(ToBar(PBM_GETRANGE, FALSE), 210);
    EXPECT_EQ(ToBar(PBM_SETSTEP, 1), 1);
    const auto events = presenter_.Events();
    const auto shown = std::find_if(events.begin(), events.end(),
                                    [](const auto& e) { return e.kind == ScriptedPresenter::EventKind::Shown; });
    ASSERT_NE(shown, events.end());
    EXPECT_EQ(shown->caption, u"Quillmarsh");
    EXPECT_EQ(shown->dialog, dialog);
    EXPECT_EQ(Process().cancelFlag.load(), 0);
}

TEST_F(ProgressDialog, LockStyleDriverSeesThePositions) {
    qlmfile::StartProgressDialog(kGenerousWaitMs);
    ASSERT_NE(Bar(), nullptr);
    DriveLikeLock({1920, 1920, 160});  // 4000 bytes: 5 + 96, 5 + 192, 5 + 200
    EXPECT_EQ(presenter_.BarPositions(), (std::vector<int>{0, 1, 2, 101, 197, 205, 206, 207, 208, 210}));
    EXPECT_EQ(Process().cancelFlag.load(), 0);
}

struct Ending {
    const char* name;
    DialogInput input;
    LONG cancelled;
};

class ProgressDialogEnding : public ProgressDialog, public testing::WithParamInterface<Ending> {};

// Pressed when the bar passes the first chunk: the dialog ends, the flag tells the operation, and
// the rest of its messages go nowhere.
TEST_P(ProgressDialogEnding, EndsTheDialogAndSetsTheFlagForCancelOnly) {
    presenter_.PressWhenBarReaches(101, GetParam().input);
    qlmfile::StartProgressDialog(kGenerousWaitMs);
    const HWND bar = Bar();
    ASSERT_NE(bar, nullptr);
    ToBar(PBM_SETPOS, 101);
    ASSERT_TRUE(presenter_.WaitForEnded(kGenerousWaitMs));
    EXPECT_EQ(Process().cancelFlag.load(), GetParam().cancelled);
    EXPECT_FALSE(IsWindow(bar));
    // The handle stays as it was; messages to the destroyed bar are harmless.
    EXPECT_EQ(Bar(), bar);
    EXPECT_EQ(ToBar(PBM_SETPOS, 150), 0);
    EXPECT_EQ(ToBar(PBM_STEPIT), 0);
    EXPECT_EQ(presenter_.BarPositions().back(), 101);
}

INSTANTIATE_TEST_SUITE_P(Inputs, ProgressDialogEnding,
                         testing::Values(Ending{"CancelButton", DialogInput::CancelButton, 1},
                                         Ending{"EscapeKey", DialogInput::EscapeKey, 1},
                                         Ending{"CloseBox", DialogInput::CloseBox, 1},
                                         Ending{"OkCommand", DialogInput::OkCommand, 0}),
                         [](const testing::TestParamInfo<Ending>& info) { return info.param.name; });

TEST_F(ProgressDialog, RegistersTheBarClassOnEveryMessage) {
    platform::fault::StartCounting();
    const HWND dialog = Start();
    ASSERT_NE(Bar(), nullptr);
    ASSERT_TRUE(platform::PressDialog(dialog, DialogInput::OkCommand));
    ASSERT_TRUE(presenter_.WaitForEnded(kGenerousWaitMs));
    // WM_INITDIALOG, WM_COMMAND and WM_DESTROY at least.
    EXPECT_GE(platform::fault::Count("InitCommonControlsEx"), 3u);
    platform::fault::StopCounting();
}

struct NoDialog {
    const char* name;
    const char* failingCall;
    bool eventSet;  // the dialog came up without its bar
};

class ProgressDialogFailure : public ProgressDialog, public testing::WithParamInterface<NoDialog> {};

// No thread, no dialog or no bar: the handle stays null and the operation's messages do nothing.
TEST_P(ProgressDialogFailure, LeavesTheHandleNullAndTheMessagesHarmless) {
    platform::fault::Arm(GetParam().failingCall, ERROR_NOT_ENOUGH_MEMORY, 1, 0);
    if (GetParam().eventSet) {
        qlmfile::StartProgressDialog(kGenerousWaitMs);
        ASSERT_TRUE(presenter_.WaitForShown(kGenerousWaitMs));
    } else {
        qlmfile::StartProgressDialog(kShortWaitMs);
        EXPECT_EQ(presenter_.ShownDialog(), nullptr);
    }
    EXPECT_EQ(Bar(), nullptr);
    DriveLikeLock({1920, 80});
    EXPECT_TRUE(presenter_.BarPositions().empty());
    EXPECT_EQ(Process().cancelFlag.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Failures, ProgressDialogFailure,
                         testing::Values(NoDialog{"ThreadNotStarted", "SHCreateThread", false},
                                         NoDialog{"DialogNotCreated", "DialogBoxParamW", false},
                                         NoDialog{"TemplateNotFound", "FindResourceW", false},
                                         NoDialog{"BarNotCreated", "CreateWindowExW", true}),
                         [](const testing::TestParamInfo<NoDialog>& info) { return info.param.name; });

}  // namespace
