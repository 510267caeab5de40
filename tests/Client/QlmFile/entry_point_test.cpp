#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EntryPoint.h"
#include "ProcessState.h"
#include "platform/presenter.h"
#include "windows.h"

namespace {

struct Call {
    char operation;
    std::u16string path;
    bool readyEventUsable;
};

std::vector<Call> g_calls;
HRESULT g_result = S_OK;

HRESULT Record(char operation, LPCWSTR path) {
    HANDLE ready = qlmfile::Process().readyEvent;
    g_calls.push_back({operation, path, ready != nullptr && WaitForSingleObject(ready, 0) == WAIT_TIMEOUT});
    return g_result;
}
HRESULT FakeLock(LPCWSTR path) { return Record('l', path); }
HRESULT FakeUnlock(LPCWSTR path) { return Record('u', path); }

class EntryPoint : public testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_result = S_OK;
    }
    HRESULT Run(const char* tail) { return qlmfile::RunCommandTail(nullptr, tail, {FakeLock, FakeUnlock}); }
    platform::ScriptedPresenter presenter_;
};

TEST_F(EntryPoint, DispatchesTheConvertedPathAndClosesTheReadyEvent) {
    EXPECT_EQ(Run("/L \"/tmp/my caf\xC3\xA9.txt\""), S_OK);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].operation, 'l');
    EXPECT_EQ(g_calls[0].path, u"/tmp/my caf\u00e9.txt");
    EXPECT_TRUE(g_calls[0].readyEventUsable);
    EXPECT_EQ(qlmfile::Process().readyEvent, nullptr);
    EXPECT_TRUE(presenter_.MessageBoxes().empty());

    EXPECT_EQ(Run("/u x.qlm"), S_OK);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[1].operation, 'u');
    EXPECT_EQ(g_calls[1].path, u"x.qlm");
}

TEST_F(EntryPoint, BadSwitchReportsInvalidArgumentAndRunsNothing) {
    for (const char* tail : {"", "/x foo", "\"/l\" foo", "/l\tfoo"}) {
        EXPECT_EQ(Run(tail), E_INVALIDARG) << tail;
    }
    EXPECT_TRUE(g_calls.empty());
    const auto boxes = presenter_.MessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, u"Quillmarsh");
        EXPECT_EQ(box.text, u"The parameter is incorrect.\n");
        EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    }
}

TEST_F(EntryPoint, PathThatDoesNotConvertIsReportedAndRunsNothing) {
    EXPECT_EQ(Run("/l /tmp/\xFF\xFE"), HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_TRUE(g_calls.empty());
    ASSERT_EQ(presenter_.MessageBoxes().size(), 1u);
}

TEST_F(EntryPoint, OnlyNegativeStatusesAreReported) {
    g_result = S_FALSE;
    EXPECT_EQ(Run("/l a"), S_FALSE);
    EXPECT_TRUE(presenter_.MessageBoxes().empty());
    g_result = static_cast<HRESULT>(0x800FF01B);
    EXPECT_EQ(Run("/u a.qlm"), g_result);
    const auto boxes = presenter_.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Corrupted Quillmarsh content. Error 0x800FF01B.");
}

TEST_F(EntryPoint, EmptyPathIsPassedOn) {
    EXPECT_EQ(Run("/l"), S_OK);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].path, u"");
}

}  // namespace
