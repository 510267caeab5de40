// Window procedures and message queues: SendMessageW within and across threads, posting, the end of a
// thread, and the window calls around them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "platform/fault_injection.h"
#include "windows.h"

namespace {

constexpr UINT kAsk = WM_APP + 1;         // answers wParam * 2, and records the thread it ran on
constexpr UINT kAskBack = WM_APP + 2;     // sends kAsk back to the window in lParam
constexpr UINT kDestroySelf = WM_APP + 3;
constexpr UINT kQuit = WM_APP + 4;

thread_local std::vector<UINT>* t_seen = nullptr;
std::atomic<DWORD> g_lastThread{0};
thread_local std::vector<HWND> g_destroyOrder;

LRESULT CALLBACK TestProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (t_seen != nullptr) t_seen->push_back(message);
    switch (message) {
        case WM_CREATE:
            return reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams != nullptr ? -1 : 0;
        case WM_DESTROY:
            g_destroyOrder.push_back(hwnd);
            return 0;
        case kAsk:
            g_lastThread = static_cast<DWORD>(gettid());
            return static_cast<LRESULT>(wParam * 2);
        case kAskBack:
            return SendMessageW(reinterpret_cast<HWND>(lParam), kAsk, wParam, 0) + 1;
        case kDestroySelf:
            return DestroyWindow(hwnd);
        case kQuit:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

const char16_t* TestClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW cls{};
        cls.cbSize = sizeof cls;
        cls.lpfnWndProc = TestProc;
        cls.lpszClassName = u"QlmUserTestWindow";
        return RegisterClassExW(&cls);
    }();
    EXPECT_NE(atom, 0);
    return u"QlmUserTestWindow";
}

HWND NewWindow(HWND parent = nullptr, void* refuse = nullptr) {
    return CreateWindowExW(0, TestClass(), u"test", parent != nullptr ? WS_CHILD : 0, 0, 0, 10, 10, parent,
                           reinterpret_cast<HMENU>(parent != nullptr ? 7 : 0), nullptr, refuse);
}

// A thread that owns a window and pumps its queue until WM_QUIT; its windows go when it ends.
class PumpingThread {
public:
    PumpingThread() {
        std::promise<void> created;
        thread_ = std::thread([this, &created] {
            threadId_ = static_cast<DWORD>(gettid());
            window_ = NewWindow();
            control_ = NewWindow();
            created.set_value();
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        });
        created.get_future().wait();
    }
    ~PumpingThread() {
        PostMessageW(control_, kQuit, 0, 0);
        thread_.join();
        EXPECT_FALSE(IsWindow(control_));
    }
    HWND window() const { return window_; }
    DWORD threadId() const { return threadId_; }

private:
    std::thread thread_;
    HWND window_ = nullptr;
    HWND control_ = nullptr;
    DWORD threadId_ = 0;
};

TEST(SendMessage, OnTheOwningThreadCallsTheProcedureDirectly) {
    const HWND hwnd = NewWindow();
    ASSERT_NE(hwnd, nullptr);
    std::vector<UINT> seen;
    t_seen = &seen;
    EXPECT_EQ(SendMessageW(hwnd, kAsk, 21, 0), 42);
    t_seen = nullptr;
    EXPECT_EQ(seen, std::vector<UINT>{kAsk});
    EXPECT_EQ(g_lastThread.load(), static_cast<DWORD>(gettid()));
    DestroyWindow(hwnd);
}

TEST(SendMessage, AcrossThreadsRunsOnTheOwnerAndWaitsForTheAnswer) {
    PumpingThread other;
    EXPECT_EQ(GetWindowThreadProcessId(other.window(), nullptr), other.threadId());
    for (WPARAM i = 0; i < 100; ++i) EXPECT_EQ(SendMessageW(other.window(), kAsk, i, 0), static_cast<LRESULT>(i * 2));
    EXPECT_EQ(g_lastThread.load(), other.threadId());
}

// The owner answers by sending back to a window of the waiting thread: the waiting sender handles
// that message meanwhile, so neither thread blocks the other.
TEST(SendMessage, NoDeadlockWhenTheTargetSendsBack) {
    PumpingThread other;
    const HWND mine = NewWindow();
    EXPECT_EQ(SendMessageW(other.window(), kAskBack, 5, reinterpret_cast<LPARAM>(mine)), 11);
    EXPECT_EQ(g_lastThread.load(), static_cast<DWORD>(gettid()));
    DestroyWindow(mine);
}

TEST(SendMessage, NullOrDestroyedWindowGivesZero) {
    const HWND hwnd = NewWindow();
    ASSERT_TRUE(DestroyWindow(hwnd));
    for (HWND target : {static_cast<HWND>(nullptr), hwnd, reinterpret_cast<HWND>(0x12345)}) {
        SetLastError(0);
        EXPECT_EQ(SendMessageW(target, kAsk, 1, 0), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    }
    // Posting needs a live window too (a null one would mean the thread itself).
    EXPECT_FALSE(PostMessageW(hwnd, kAsk, 1, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

// The owner ends while a sender waits on it: the sender gets 0 instead of waiting for ever.
TEST(SendMessage, OwnerThatEndsReleasesTheWaitingSender) {
    std::promise<HWND> created;
    std::promise<void> stop;
    std::thread owner([&] {
        created.set_value(NewWindow());
        stop.get_future().wait();  // never pumps
    });
    const HWND hwnd = created.get_future().get();
    auto answer = std::async(std::launch::async, [&] { return SendMessageW(hwnd, kAsk, 4, 0); });
    EXPECT_EQ(answer.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    stop.set_value();
    owner.join();
    EXPECT_EQ(answer.get(), 0);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(SendMessage, InjectedFailure) {
    const HWND hwnd = NewWindow();
    {
        platform::fault::Scoped fault("SendMessageW", ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(SendMessageW(hwnd, kAsk, 3, 0), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_EQ(SendMessageW(hwnd, kAsk, 3, 0), 6);
    DestroyWindow(hwnd);
}

TEST(PostMessage, QueuedInOrderAndTakenByGetMessageAndPeekMessage) {
    const HWND hwnd = NewWindow();
    ASSERT_TRUE(PostMessageW(hwnd, kAsk, 1, 0));
    ASSERT_TRUE(PostMessageW(nullptr, kAsk + 10, 2, 0));  // for the thread itself
    ASSERT_TRUE(PostMessageW(hwnd, kAsk, 3, 0));
    MSG msg{};
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    // A filter on the window skips the thread's own message.
    EXPECT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.message, kAsk + 10);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    PostQuitMessage(3);
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    DestroyWindow(hwnd);
}

TEST(PostMessage, DispatchedOnTheOwnersThread) {
    PumpingThread other;
    g_lastThread = 0;
    ASSERT_TRUE(PostMessageW(other.window(), kAsk, 1, 0));
    for (int i = 0; i < 500 && g_lastThread.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(g_lastThread.load(), other.threadId());
}

TEST(Windows, CreateDestroyAndTheirMessages) {
    g_destroyOrder.clear();
    const HWND parent = NewWindow();
    const HWND child = NewWindow(parent);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    EXPECT_EQ(GetDlgItem(parent, 7), child);
    EXPECT_EQ(GetDlgItem(parent, 8), nullptr);
    ASSERT_TRUE(DestroyWindow(parent));
    // WM_DESTROY reaches the parent first, then its children; both handles are dead.
    EXPECT_EQ(g_destroyOrder, (std::vector<HWND>{parent, child}));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    // A new window never gets the handle of a destroyed one back.
    const HWND next = NewWindow();
    EXPECT_NE(next, parent);
    EXPECT_NE(next, child);
    DestroyWindow(next);
}

TEST(Windows, CreationFailures) {
    SetLastError(0);
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    // WM_CREATE answered -1: no window.
    int refuse = 1;
    EXPECT_EQ(NewWindow(nullptr, &refuse), nullptr);
    {
        platform::fault::Scoped fault("CreateWindowExW", ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(NewWindow(), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    WNDCLASSEXW again{};
    again.cbSize = sizeof again;
    again.lpfnWndProc = TestProc;
    again.lpszClassName = u"qlmusertestwindow";  // class names ignore case
    TestClass();
    EXPECT_EQ(RegisterClassExW(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
}

TEST(Windows, OnlyTheOwnerDestroysAWindow) {
    PumpingThread other;
    EXPECT_FALSE(DestroyWindow(other.window()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(IsWindow(other.window()));
    // Its own procedure may.
    EXPECT_EQ(SendMessageW(other.window(), kDestroySelf, 0, 0), TRUE);
    EXPECT_FALSE(IsWindow(other.window()));
}

TEST(Windows, TranslateMessageGivesCharactersForKeys) {
    const HWND hwnd = NewWindow();
    const MSG key{hwnd, WM_KEYDOWN, 'Q', 0, 0, {}};
    EXPECT_TRUE(TranslateMessage(&key));
    const MSG other{hwnd, WM_KEYDOWN, 0x70 /* F1 */, 0, 0, {}};
    EXPECT_FALSE(TranslateMessage(&other));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('q'));
    EXPECT_FALSE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

}  // namespace
