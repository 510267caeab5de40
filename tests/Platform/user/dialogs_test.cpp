// Modal dialogs from templates: creation, WM_INITDIALOG, the ways a person ends them, EndDialog from
// either thread, and the failures.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "winbase_resources.h"
#include "platform/fault_injection.h"
#include "platform/presenter.h"
#include "test_dialogs.h"
#include "windows.h"

namespace {

using platform::DialogInput;
using platform::ScriptedPresenter;

// What the dialog procedure saw.
struct Seen {
    std::atomic<HWND> dialog{nullptr};
    HWND proposedFocus = nullptr;
    LPARAM initParam = 0;
    std::vector<WPARAM> commands;
    std::vector<LPARAM> commandSources;
    bool initAnswer = true;
    bool endInInit = false;
};
Seen* g_seen = nullptr;

// Ends the dialog on every WM_COMMAND with the command's identifier as the result.
INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            g_seen->dialog = dialog;
            g_seen->proposedFocus = reinterpret_cast<HWND>(wParam);
            g_seen->initParam = lParam;
            if (g_seen->endInInit) EndDialog(dialog, 77);
            return g_seen->initAnswer ? TRUE : FALSE;
        case WM_COMMAND:
            g_seen->commands.push_back(wParam);
            g_seen->commandSources.push_back(lParam);
            EndDialog(dialog, static_cast<INT_PTR>(wParam) + 1000);
            return TRUE;
        default:
            return FALSE;
    }
}

class DialogTest : public testing::Test {
protected:
    void SetUp() override { g_seen = &seen_; }
    void TearDown() override { g_seen = nullptr; }

    INT_PTR Run(WORD id, LPARAM param = 0) {
        return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, RecordingProc, param);
    }
    // Runs the plain dialog on its own thread; the test acts on it meanwhile.
    std::future<INT_PTR> RunAsync(LPARAM param = 0) {
        return std::async(std::launch::async, [this, param] { return Run(usertest::kPlainDialog, param); });
    }

    Seen seen_;
    ScriptedPresenter presenter_;
};

TEST_F(DialogTest, InitDialogGetsTheParameterAndProposesTheFirstTabStop) {
    presenter_.PressWhenShown(DialogInput::CancelButton);
    EXPECT_EQ(Run(usertest::kPlainDialog, 1234), 1000 + IDCANCEL);
    EXPECT_EQ(seen_.initParam, 1234);
    ASSERT_NE(seen_.proposedFocus, nullptr);
    EXPECT_EQ(seen_.commandSources.at(0), reinterpret_cast<LPARAM>(seen_.proposedFocus));
    // The dialog and its controls are gone once DialogBoxParamW returns.
    EXPECT_FALSE(IsWindow(seen_.dialog));
    EXPECT_FALSE(IsWindow(seen_.proposedFocus));
    const auto events = presenter_.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, ScriptedPresenter::EventKind::Shown);
    EXPECT_EQ(events[0].caption, u"Test");
    EXPECT_EQ(events[1].kind, ScriptedPresenter::EventKind::Ended);
    EXPECT_EQ(events[1].result, 1000 + IDCANCEL);
}

struct Ending {
    const char* name;
    DialogInput input;
    WPARAM command;  // the whole wParam of the WM_COMMAND the procedure gets
};

class DialogEnding : public DialogTest, public testing::WithParamInterface<Ending> {};

// The Cancel button, Esc and the close box all arrive as WM_COMMAND with wParam IDCANCEL (the
// notification code BN_CLICKED is 0); WM_COMMAND IDOK arrives as it was sent.
TEST_P(DialogEnding, ArrivesAsOneCommand) {
    auto result = RunAsync();
    ASSERT_TRUE(presenter_.WaitForShown(5000));
    const HWND dialog = presenter_.ShownDialog();
    ASSERT_TRUE(platform::PressDialog(dialog, GetParam().input));
    EXPECT_EQ(result.get(), static_cast<INT_PTR>(1000 + GetParam().command));
    EXPECT_EQ(seen_.commands, std::vector<WPARAM>{GetParam().command});
    EXPECT_FALSE(IsWindow(dialog));
}

INSTANTIATE_TEST_SUITE_P(Inputs, DialogEnding,
                         testing::Values(Ending{"CancelButton", DialogInput::CancelButton, IDCANCEL},
                                         Ending{"EscapeKey", DialogInput::EscapeKey, IDCANCEL},
                                         Ending{"CloseBox", DialogInput::CloseBox, IDCANCEL},
                                         Ending{"OkCommand", DialogInput::OkCommand, IDOK}),
                         [](const testing::TestParamInfo<Ending>& info) { return info.param.name; });

TEST_F(DialogTest, EndDialogFromAnotherThread) {
    auto result = RunAsync();
    ASSERT_TRUE(presenter_.WaitForShown(5000));
    const HWND dialog = presenter_.ShownDialog();
    EXPECT_TRUE(IsWindowVisible(dialog));
    ASSERT_TRUE(EndDialog(dialog, 55));
    EXPECT_EQ(result.get(), 55);
    EXPECT_TRUE(seen_.commands.empty());
    EXPECT_FALSE(EndDialog(dialog, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

// Another thread's SendMessageW is answered by the modal loop while the dialog runs.
TEST_F(DialogTest, ModalLoopAnswersSentMessages) {
    auto result = RunAsync();
    ASSERT_TRUE(presenter_.WaitForShown(5000));
    const HWND dialog = presenter_.ShownDialog();
    EXPECT_EQ(SendMessageW(dialog, WM_COMMAND, IDOK, 0), TRUE);
    EXPECT_EQ(result.get(), 1000 + IDOK);
    // After the end the same message goes nowhere.
    EXPECT_EQ(SendMessageW(dialog, WM_COMMAND, IDOK, 0), 0);
}

TEST_F(DialogTest, EndedDuringInitDialogIsNeverShown) {
    seen_.endInInit = true;
    EXPECT_EQ(Run(usertest::kPlainDialog), 77);
    EXPECT_TRUE(presenter_.Events().empty());
}

TEST_F(DialogTest, ControlsFromTheTemplate) {
    auto result = RunAsync();
    ASSERT_TRUE(presenter_.WaitForShown(5000));
    const HWND dialog = presenter_.ShownDialog();
    const HWND text = GetDlgItem(dialog, usertest::kStaticId);
    const HWND button = GetDlgItem(dialog, IDCANCEL);
    ASSERT_NE(text, nullptr);
    ASSERT_NE(button, nullptr);
    WCHAR buffer[32];
    EXPECT_EQ(GetWindowTextW(button, buffer, 32), 6);
    EXPECT_EQ(std::u16string(buffer), u"Cancel");
    EXPECT_EQ(GetWindowTextW(dialog, buffer, 3), 2);  // truncated, NUL-terminated
    EXPECT_EQ(std::u16string(buffer), u"Te");
    // Dialog units become pixels: x 50 du -> 75 px, y 40 du -> 65 px, 50 x 14 du -> 75 x 22 px.
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(button, &rect));
    EXPECT_EQ(rect.left, 75);
    EXPECT_EQ(rect.top, 65);
    EXPECT_EQ(rect.right - rect.left, 75);
    EXPECT_EQ(rect.bottom - rect.top, 22);
    EXPECT_EQ(GetParent(button), dialog);
    EndDialog(dialog, 0);
    result.get();
}

struct Failure {
    const char* name;
    WORD id;
    DWORD error;
};

class DialogFailure : public DialogTest, public testing::WithParamInterface<Failure> {};

TEST_P(DialogFailure, ReturnsMinusOneWithTheLastError) {
    SetLastError(0);
    EXPECT_EQ(Run(GetParam().id), -1);
    EXPECT_EQ(GetLastError(), GetParam().error);
    EXPECT_EQ(seen_.dialog.load(), nullptr);
    EXPECT_TRUE(presenter_.Events().empty());
}

INSTANTIATE_TEST_SUITE_P(Templates, DialogFailure,
                         testing::Values(Failure{"Missing", usertest::kMissingDialog, ERROR_RESOURCE_NAME_NOT_FOUND},
                                         Failure{"UnknownControlClass", usertest::kUnknownClassDialog,
                                                 ERROR_CANNOT_FIND_WND_CLASS},
                                         Failure{"NotATemplate", usertest::kBrokenDialog, ERROR_INVALID_DATA}),
                         [](const testing::TestParamInfo<Failure>& info) { return info.param.name; });

TEST_F(DialogTest, OtherFailures) {
    // A module without resources.
    EXPECT_EQ(DialogBoxParamW(GetModuleHandleW(u"libplatform_base.so"), MAKEINTRESOURCEW(usertest::kPlainDialog),
                              nullptr, RecordingProc, 0),
              -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    // An owner that is no window: 0.
    EXPECT_EQ(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(usertest::kPlainDialog),
                              reinterpret_cast<HWND>(0x4242), RecordingProc, 0),
              0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    {
        platform::fault::Scoped fault("DialogBoxParamW", ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(Run(usertest::kPlainDialog), -1);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_EQ(seen_.dialog.load(), nullptr);
}

}  // namespace
