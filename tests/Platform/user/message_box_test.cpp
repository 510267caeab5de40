// MessageBoxW with the scripted and the headless presenter (the terminal one runs under a
// pseudo-terminal in terminal_presenter_test.cpp).
#include <gtest/gtest.h>

#include "platform/fault_injection.h"
#include "platform/presenter.h"
#include "windows.h"

namespace {

using platform::ScriptedPresenter;

struct Box {
    const char* name;
    UINT style;
    std::vector<int> queued;  // the scripted presenter's answers
    int scripted;             // what the scripted presenter answers
    int headless;             // what the headless presenter answers
};

class MessageBoxPresenters : public testing::TestWithParam<Box> {};

TEST_P(MessageBoxPresenters, Scripted) {
    ScriptedPresenter presenter;
    for (int answer : GetParam().queued) presenter.QueueAnswer(answer);
    EXPECT_EQ(platform::ActivePresenterKind(), platform::PresenterKind::Scripted);
    EXPECT_EQ(MessageBoxW(nullptr, u"Replace it?", u"Quillmarsh", GetParam().style), GetParam().scripted);
    const auto boxes = presenter.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, u"Quillmarsh");
    EXPECT_EQ(boxes[0].text, u"Replace it?");
    EXPECT_EQ(boxes[0].style, GetParam().style);
    EXPECT_EQ(boxes[0].result, GetParam().scripted);
}

// Nobody to ask: caption and text on standard error; a question is answered No.
TEST_P(MessageBoxPresenters, Headless) {
    platform::ScopedHeadlessPresenter headless;
    EXPECT_EQ(platform::ActivePresenterKind(), platform::PresenterKind::Headless);
    testing::internal::CaptureStderr();
    const int answer = MessageBoxW(nullptr, u"Replace it?\r\n", u"Quillmarsh", GetParam().style);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, GetParam().headless);
    EXPECT_EQ(printed.rfind("Quillmarsh: Replace it?\n", 0), 0u) << printed;
    if (GetParam().headless == IDNO) {
        EXPECT_NE(printed.find("No"), std::string::npos) << printed;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Styles, MessageBoxPresenters,
    testing::Values(Box{"WarningOk", MB_ICONWARNING | MB_OK, {}, IDOK, IDOK},
                    Box{"ErrorOk", MB_ICONERROR, {}, IDOK, IDOK},
                    Box{"YesNoUnanswered", MB_YESNO | MB_ICONQUESTION, {}, IDNO, IDNO},
                    Box{"YesNoAnsweredYes", MB_YESNO | MB_ICONWARNING, {IDYES}, IDYES, IDNO},
                    Box{"YesNoAnsweredNo", MB_YESNO, {IDNO, IDYES}, IDNO, IDNO}),
    [](const testing::TestParamInfo<Box>& info) { return info.param.name; });

TEST(MessageBox, AnswersComeFromTheQueueInOrder) {
    ScriptedPresenter presenter;
    presenter.QueueAnswer(IDYES);
    presenter.QueueAnswer(IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, u"1", u"Q", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxW(nullptr, u"2", u"Q", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, u"3", u"Q", MB_YESNO), IDNO);
    EXPECT_EQ(presenter.MessageBoxes().size(), 3u);
}

TEST(MessageBox, Refusals) {
    ScriptedPresenter presenter;
    struct Case {
        HWND owner;
        UINT style;
        DWORD error;
    };
    for (const Case& c : {Case{nullptr, MB_OKCANCEL, ERROR_INVALID_PARAMETER},
                          Case{nullptr, MB_YESNOCANCEL, ERROR_INVALID_PARAMETER},
                          Case{reinterpret_cast<HWND>(0x777), MB_OK, ERROR_INVALID_WINDOW_HANDLE}}) {
        SetLastError(0);
        EXPECT_EQ(MessageBoxW(c.owner, u"x", u"Q", c.style), 0) << c.style;
        EXPECT_EQ(GetLastError(), c.error) << c.style;
    }
    {
        platform::fault::Scoped fault("MessageBoxW", ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(MessageBoxW(nullptr, u"x", u"Q", MB_OK), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_TRUE(presenter.MessageBoxes().empty());
    // No caption: Windows' own.
    EXPECT_EQ(MessageBoxW(nullptr, nullptr, nullptr, MB_OK), IDOK);
    EXPECT_EQ(presenter.MessageBoxes().at(0).caption, u"Error");
}

}  // namespace
