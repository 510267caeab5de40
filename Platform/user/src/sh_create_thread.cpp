// SHCreateThread on a detached POSIX thread.
#include <pthread.h>

#include <condition_variable>
#include <mutex>

#include "errhandlingapi.h"
#include "platform/fault_injection.h"
#include "platform/win32_errno.h"
#include "shlwapi.h"
#include "winerror.h"

#include "objbase.h"

namespace {

struct Start {
    LPTHREAD_START_ROUTINE proc;
    void* data;
    DWORD flags;
    LPTHREAD_START_ROUTINE callback;
    std::mutex mutex;
    std::condition_variable synchronous;
    bool callbackDone = false;
};

void Run(LPTHREAD_START_ROUTINE proc, LPTHREAD_START_ROUTINE callback, void* data, DWORD flags, Start* start) {
    // CTF_COINIT: COM for the new thread, released again only if this call got it.
    const bool com = (flags & CTF_COINIT) != 0 && SUCCEEDED(CoInitialize(nullptr));
    if (callback != nullptr) callback(data);
    if (start != nullptr) {
        // The creator waits for the callback; after this, `start` belongs to it no more.
        std::lock_guard lock(start->mutex);
        start->callbackDone = true;
        start->synchronous.notify_all();
    }
    if (proc != nullptr) proc(data);
    if (com) CoUninitialize();
}

void* ThreadMain(void* arg) {
    auto* start = static_cast<Start*>(arg);
    const LPTHREAD_START_ROUTINE proc = start->proc;
    const LPTHREAD_START_ROUTINE callback = start->callback;
    void* const data = start->data;
    const DWORD flags = start->flags;
    Run(proc, callback, data, flags, start);
    return nullptr;
}

}  // namespace

extern "C" BOOL WINAPI SHCreateThread(LPTHREAD_START_ROUTINE pfnThreadProc, void* pData, DWORD flags,
                                      LPTHREAD_START_ROUTINE pfnCallback) {
    int error = 0;
    if (auto injected = platform::fault::Check("SHCreateThread")) {
        SetLastError(*injected);
    } else {
        Start start{pfnThreadProc, pData, flags, pfnCallback, {}, {}, false};
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
        pthread_t thread;
        error = pthread_create(&thread, &attributes, ThreadMain, &start);
        pthread_attr_destroy(&attributes);
        if (error == 0) {
            std::unique_lock lock(start.mutex);
            start.synchronous.wait(lock, [&] { return start.callbackDone; });
            return TRUE;
        }
        platform::SetLastErrorFromErrno(error);
    }
    if ((flags & CTF_INSIST) != 0) {
        // No thread to be had: the work runs here instead.
        Run(pfnThreadProc, pfnCallback, pData, flags, nullptr);
        return TRUE;
    }
    return FALSE;
}
