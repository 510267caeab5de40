// Events: manual- and auto-reset, waited for with WaitForSingleObject.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include "errhandlingapi.h"
#include "handle_table.h"
#include "platform/fault_injection.h"
#include "synchapi.h"
#include "winerror.h"

namespace platform::kernel {
namespace {

class Event final : public KernelObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Event;

    Event(bool manualReset, bool signalled) : KernelObject(kKind), manualReset_(manualReset), signalled_(signalled) {}

    void Set() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        // An auto-reset event lets one waiter through; waking more would only send them back to sleep.
        if (manualReset_) {
            changed_.notify_all();
        } else {
            changed_.notify_one();
        }
    }

    void Reset() {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }

    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock lock(mutex_);
        const auto isSet = [this] { return signalled_; };
        if (milliseconds == INFINITE) {
            changed_.wait(lock, isSet);
        } else if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet)) {
            return WAIT_TIMEOUT;
        }
        if (!manualReset_) signalled_ = false;  // this waiter takes the signal
        return WAIT_OBJECT_0;
    }

private:
    const bool manualReset_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};

}  // namespace
}  // namespace platform::kernel

extern "C" {

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) {
    using platform::kernel::Event;
    if (platform::fault::Fail("CreateEventW")) return nullptr;
    if (lpName != nullptr && lpName[0] != u'\0') {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    try {
        HANDLE handle = platform::kernel::HandleTable::Instance().Insert(
            std::make_shared<Event>(bManualReset != FALSE, bInitialState != FALSE));
        SetLastError(handle != nullptr ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY);
        return handle;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
    using platform::kernel::Event;
    if (platform::fault::Fail("SetEvent")) return FALSE;
    const auto event = platform::kernel::FindOrFail<Event>(hEvent);
    if (event == nullptr) return FALSE;
    event->Set();
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE hEvent) {
    using platform::kernel::Event;
    if (platform::fault::Fail("ResetEvent")) return FALSE;
    const auto event = platform::kernel::FindOrFail<Event>(hEvent);
    if (event == nullptr) return FALSE;
    event->Reset();
    return TRUE;
}

}  // extern "C"
