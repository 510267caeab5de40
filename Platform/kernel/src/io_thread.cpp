#include "io_thread.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "system_calls.h"

namespace platform::kernel::io {

class Thread {
public:
    // Never destroyed: the thread lives until the process ends, and handles still open at exit
    // wait for it in the exit handlers.
    static Thread& Instance() {
        Thread* thread = current_.load(std::memory_order_acquire);
        if (thread != nullptr) return *thread;
        auto* fresh = new Thread;
        if (current_.compare_exchange_strong(thread, fresh, std::memory_order_acq_rel)) return *fresh;
        delete fresh;
        return *thread;
    }

    bool Submit(Request& request) {
        std::lock_guard lock(mutex_);
        if (!started_ && !Start()) return false;
        request.finished_ = false;
        queue_.push_back(&request);
        work_.notify_one();
        return true;
    }

    void Wait(Request& request) {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return request.finished_; });
    }

private:
    Thread() = default;

    // With mutex_ held.
    bool Start() {
        // The thread takes no signals: a handler (Ctrl-C on the terminal) runs on a thread of the program.
        sigset_t all, previous;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &previous);
        try {
            std::thread(&Thread::Run, this).detach();
            started_ = true;
        } catch (const std::system_error&) {
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        if (started_) {
            static std::once_flag once;
            std::call_once(once, [] { pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild); });
        }
        return started_;
    }

    void Run() {
        pthread_setname_np(pthread_self(), "qlm-io");
        std::unique_lock lock(mutex_);
        for (;;) {
            work_.wait(lock, [&] { return !queue_.empty(); });
            Request& request = *queue_.front();
            queue_.pop_front();
            busy_ = true;
            lock.unlock();
            if (request.kind == Request::Kind::Read)
                request.done = sys::PreadFully(request.fd, request.data, request.size,
                                               static_cast<off_t>(request.offset), request.error);
            else
                request.done = sys::PwriteFully(request.fd, request.data, request.size,
                                                static_cast<off_t>(request.offset), request.error);
            lock.lock();
            busy_ = false;
            request.finished_ = true;
            done_.notify_all();
        }
    }

    // The fork happens with the mutex held and nothing in flight; the child starts over with a new
    // instance (the old one's waiters and thread are the parent's).
    static void BeforeFork() {
        Thread& thread = Instance();
        std::unique_lock lock(thread.mutex_);
        thread.done_.wait(lock, [&] { return thread.queue_.empty() && !thread.busy_; });
        lock.release();
    }
    static void AfterForkInParent() { Instance().mutex_.unlock(); }
    static void AfterForkInChild() { current_.store(new Thread, std::memory_order_release); }

    static inline std::atomic<Thread*> current_{nullptr};

    std::mutex mutex_;
    std::condition_variable work_;  // a request queued
    std::condition_variable done_;  // a request finished
    std::deque<Request*> queue_;
    bool busy_ = false;
    bool started_ = false;
};

bool Submit(Request& request) { return Thread::Instance().Submit(request); }

void Wait(Request& request) { Thread::Instance().Wait(request); }

}  // namespace platform::kernel::io
