#pragma once
// Windows and per-thread message queues inside the platform.
//
// A window lives in a slot of a fixed table; its handle is the slot index in the low word and a
// reuse counter in the high word, so a destroyed window's handle stays invalid for a long time.
// Slots are never freed, which keeps a lookup safe without locks: the progress bar's messages are
// answered on the sender's thread with a few atomic operations (progress_bar.h).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "winuser.h"
#include "progress_bar.h"

namespace platform::user {

enum class WindowKind : std::uint8_t { Generic, Dialog, Button, Static, ProgressBar };

struct SentMessage;

// One thread's queue: messages posted to it and messages sent to it from other threads.
struct ThreadQueue {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> incoming;
    bool quit = false;
    int quitCode = 0;
    bool alive = true;
    DWORD threadId = 0;
    HWND focus = nullptr;  // touched by its own thread only
};

struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;  // under the sender's queue mutex
    std::shared_ptr<ThreadQueue> sender;
};

struct Window {
    // The handle while the window exists, 0 while the slot is free.
    std::atomic<std::uint32_t> handle{0};
    std::atomic<WindowKind> kind{WindowKind::Generic};
    ProgressBar bar;

    // Under WindowLock(); fixed while the window exists unless noted.
    std::uint16_t reuse = 0;
    std::shared_ptr<ThreadQueue> owner;
    WNDPROC proc = nullptr;
    DLGPROC dialogProc = nullptr;
    HWND parent = nullptr;
    HINSTANCE instance = nullptr;
    DWORD style = 0;  // changes: WS_VISIBLE
    DWORD exStyle = 0;
    int id = 0;
    RECT rect{};
    std::u16string className;
    std::u16string text;
    std::vector<HWND> children;

    // Dialogs.
    std::atomic<bool> ended{false};
    std::atomic<INT_PTR> result{0};
};

std::mutex& WindowLock();

// The window behind a handle, or null for a null, destroyed or foreign handle. Lock-free.
Window* Lookup(HWND hwnd);

struct WindowSpec {
    WindowKind kind = WindowKind::Generic;
    std::u16string className;
    std::u16string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};
    HWND parent = nullptr;
    int id = 0;
    HINSTANCE instance = nullptr;
    WNDPROC proc = nullptr;
    DLGPROC dialogProc = nullptr;
};

// Creates a window owned by the calling thread and sends it WM_CREATE (a window procedure that
// answers -1 refuses). Null with the last error set on failure.
HWND CreateWindowInternal(const WindowSpec& spec, LPVOID createParam);
// Destroys a window of the calling thread and its children; `notify` false when the thread ends,
// whose window procedures get no WM_DESTROY then (the thread's own state may be gone already).
void DestroyWindowInternal(HWND hwnd, bool notify = true);

// The calling thread's queue, made on first use.
const std::shared_ptr<ThreadQueue>& CurrentQueue();

// Calls the window's procedure on the calling thread (which must own it).
LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Waits until a posted message (taken into `msg`) arrives, handling sent messages meanwhile.
// Returns false when `stop()` holds (checked under the queue lock, so a WakeThread after the
// condition changed is never lost) or when timeoutMs (not kWaitForever) passes first.
inline constexpr DWORD kWaitForever = 0xFFFFFFFF;
bool WaitForMessage(ThreadQueue& queue, MSG& msg, DWORD timeoutMs, const std::function<bool()>& stop);
// Takes the first posted message that passes the filter (GetMessageW's hWnd, min and max), or the
// pending WM_QUIT; call with queue.mutex held.
bool TakePosted(ThreadQueue& queue, MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
// Wakes the thread that waits on `queue` to look at its stop condition again.
void WakeThread(ThreadQueue& queue);

// Handles the messages sent to the calling thread from other threads; true if there were any.
bool HandleIncoming(ThreadQueue& queue);

// Snapshot reads, under the lock.
std::u16string WindowText(HWND hwnd);
std::vector<HWND> Children(HWND hwnd);
std::shared_ptr<ThreadQueue> OwnerQueue(HWND hwnd);

DWORD CurrentThreadId();

// Window classes: the system's own, the progress bar once registered, and RegisterClassExW's.
bool RegisterProgressClass();
std::optional<WindowKind> ClassKind(LPCWSTR className, WNDPROC* proc);
// The windows of a thread that have no parent, for the thread's end.
std::vector<HWND> TopLevelWindowsOf(const ThreadQueue& queue);

}  // namespace platform::user
