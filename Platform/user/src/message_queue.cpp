// Per-thread message queues: SendMessageW, PostMessageW and the calls that take messages.
#include <chrono>

#include "errhandlingapi.h"
#include "platform/fault_injection.h"
#include "window_manager.h"
#include "winerror.h"

namespace platform::user {
namespace {

// A thread's queue lives as long as the thread; when the thread ends its windows go, and whoever
// still waits for an answer from it gets 0.
struct ThreadState {
    std::shared_ptr<ThreadQueue> queue;
    ~ThreadState() {
        if (!queue) return;
        for (HWND hwnd : TopLevelWindowsOf(*queue)) DestroyWindowInternal(hwnd, false);
        std::deque<std::shared_ptr<SentMessage>> pending;
        {
            std::lock_guard lock(queue->mutex);
            queue->alive = false;
            pending.swap(queue->incoming);
        }
        for (auto& message : pending) {
            std::lock_guard lock(message->sender->mutex);
            message->done = true;
            message->sender->wake.notify_all();
        }
    }
};

thread_local ThreadState t_state;

void Complete(SentMessage& message, LRESULT result) {
    std::lock_guard lock(message.sender->mutex);
    message.result = result;
    message.done = true;
    message.sender->wake.notify_all();
}

bool Passes(const MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (hwnd == reinterpret_cast<HWND>(static_cast<INT_PTR>(-1))) {
        if (msg.hwnd != nullptr) return false;
    } else if (hwnd != nullptr && msg.hwnd != hwnd) {
        return false;
    }
    return (filterMin == 0 && filterMax == 0) || (msg.message >= filterMin && msg.message <= filterMax);
}

LRESULT SendAcrossThreads(const std::shared_ptr<ThreadQueue>& target, HWND hwnd, UINT message, WPARAM wParam,
                          LPARAM lParam) {
    const std::shared_ptr<ThreadQueue>& self = CurrentQueue();
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = self;
    {
        std::lock_guard lock(target->mutex);
        if (!target->alive) return 0;
        target->incoming.push_back(sent);
        target->wake.notify_all();
    }
    // While waiting, answer what is sent to this thread: the target may send back to us.
    std::unique_lock lock(self->mutex);
    while (!sent->done) {
        if (!self->incoming.empty()) {
            lock.unlock();
            HandleIncoming(*self);
            lock.lock();
            continue;
        }
        self->wake.wait(lock);
    }
    return sent->result;
}

}  // namespace

const std::shared_ptr<ThreadQueue>& CurrentQueue() {
    if (!t_state.queue) {
        t_state.queue = std::make_shared<ThreadQueue>();
        t_state.queue->threadId = CurrentThreadId();
    }
    return t_state.queue;
}

bool HandleIncoming(ThreadQueue& queue) {
    bool any = false;
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard lock(queue.mutex);
            if (queue.incoming.empty()) break;
            sent = std::move(queue.incoming.front());
            queue.incoming.pop_front();
        }
        any = true;
        Complete(*sent, CallWindowProcedure(sent->hwnd, sent->message, sent->wParam, sent->lParam));
    }
    return any;
}

bool TakePosted(ThreadQueue& queue, MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!Passes(*it, hwnd, filterMin, filterMax)) continue;
        msg = *it;
        if (remove) queue.posted.erase(it);
        return true;
    }
    if (queue.quit) {
        msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0, 0, {}};
        if (remove) queue.quit = false;
        return true;
    }
    return false;
}

bool WaitForMessage(ThreadQueue& queue, MSG& msg, DWORD timeoutMs, const std::function<bool()>& stop) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(queue.mutex);
    for (;;) {
        if (!queue.incoming.empty()) {
            lock.unlock();
            HandleIncoming(queue);
            lock.lock();
            continue;
        }
        if (stop && stop()) return false;
        if (TakePosted(queue, msg, nullptr, 0, 0, true)) return true;
        if (timeoutMs == kWaitForever) {
            queue.wake.wait(lock);
        } else if (queue.wake.wait_until(lock, deadline) == std::cv_status::timeout && queue.incoming.empty()) {
            if (stop && stop()) return false;
            return TakePosted(queue, msg, nullptr, 0, 0, true);
        }
    }
}

void WakeThread(ThreadQueue& queue) {
    std::lock_guard lock(queue.mutex);
    queue.wake.notify_all();
}

}  // namespace platform::user

using namespace platform::user;

extern "C" {

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (platform::fault::Fail("SendMessageW")) return 0;
    Window* w = Lookup(hWnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    // The bar's state is atomic: answer here, without a round trip to the thread that owns it.
    if (w->kind.load(std::memory_order_relaxed) == WindowKind::ProgressBar && IsProgressMessage(Msg)) {
        return w->bar.Handle(hWnd, Msg, wParam, lParam);
    }
    const std::shared_ptr<ThreadQueue> owner = OwnerQueue(hWnd);
    if (!owner) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (owner == CurrentQueue()) return CallWindowProcedure(hWnd, Msg, wParam, lParam);
    return SendAcrossThreads(owner, hWnd, Msg, wParam, lParam);
}

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (platform::fault::Fail("PostMessageW")) return FALSE;
    std::shared_ptr<ThreadQueue> target;
    if (hWnd == nullptr) {
        target = CurrentQueue();  // a message for the thread itself
    } else {
        target = OwnerQueue(hWnd);
        if (!target) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
    }
    std::lock_guard lock(target->mutex);
    if (!target->alive) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    target->posted.push_back(MSG{hWnd, Msg, wParam, lParam, 0, {}});
    target->wake.notify_all();
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
    ThreadQueue& queue = *CurrentQueue();
    std::lock_guard lock(queue.mutex);
    queue.quit = true;
    queue.quitCode = nExitCode;
    queue.wake.notify_all();
}

BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (platform::fault::Fail("GetMessageW")) return -1;
    const bool threadOnly = hWnd == reinterpret_cast<HWND>(static_cast<INT_PTR>(-1));
    if (lpMsg == nullptr || (hWnd != nullptr && !threadOnly && Lookup(hWnd) == nullptr)) {
        SetLastError(lpMsg == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    ThreadQueue& queue = *CurrentQueue();
    std::unique_lock lock(queue.mutex);
    for (;;) {
        if (!queue.incoming.empty()) {
            lock.unlock();
            HandleIncoming(queue);
            lock.lock();
            continue;
        }
        if (TakePosted(queue, *lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
            return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        }
        queue.wake.wait(lock);
    }
}

BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (lpMsg == nullptr) return FALSE;
    ThreadQueue& queue = *CurrentQueue();
    HandleIncoming(queue);
    std::lock_guard lock(queue.mutex);
    return TakePosted(queue, *lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0) ? TRUE : FALSE;
}

LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
    if (lpMsg == nullptr || lpMsg->hwnd == nullptr) return 0;
    if (OwnerQueue(lpMsg->hwnd) != CurrentQueue()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallWindowProcedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (lpMsg == nullptr || lpMsg->message != WM_KEYDOWN) return FALSE;
    // The keys that have a character without a keyboard layout: controls, digits, letters (unshifted).
    const WPARAM key = lpMsg->wParam;
    WPARAM character;
    if (key == VK_BACK || key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE || key == VK_SPACE ||
        (key >= '0' && key <= '9')) {
        character = key;
    } else if (key >= 'A' && key <= 'Z') {
        character = key - 'A' + 'a';
    } else {
        return FALSE;
    }
    return PostMessageW(lpMsg->hwnd, WM_CHAR, character, lpMsg->lParam);
}

}  // extern "C"
