// SHCreateThread: a detached thread, the callback's synchronous phase, failures and COM.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <future>

#include "platform/fault_injection.h"
#include "shlwapi.h"
#include "windows.h"
#include "objbase.h"

namespace {

struct Shared {
    std::atomic<int> order{0};
    int callbackStep = 0;
    int procStep = 0;
    pid_t procThread = 0;
    HRESULT comInProc = E_FAIL;
    std::promise<void> procDone;
};

DWORD WINAPI Callback(LPVOID data) {
    auto* shared = static_cast<Shared*>(data);
    shared->callbackStep = ++shared->order;
    return 0;
}

DWORD WINAPI Proc(LPVOID data) {
    auto* shared = static_cast<Shared*>(data);
    shared->procStep = ++shared->order;
    shared->procThread = gettid();
    shared->comInProc = CoInitialize(nullptr);
    if (SUCCEEDED(shared->comInProc)) CoUninitialize();
    shared->procDone.set_value();
    return 0;
}

TEST(SHCreateThread, RunsTheCallbackFirstAndTheProcedureOnTheNewThread) {
    Shared shared;
    auto done = shared.procDone.get_future();
    ASSERT_TRUE(SHCreateThread(Proc, &shared, CTF_COINIT | CTF_REF_COUNTED, Callback));
    // The callback has run before SHCreateThread returned.
    EXPECT_EQ(shared.callbackStep, 1);
    ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(shared.procStep, 2);
    EXPECT_NE(shared.procThread, gettid());
    // CTF_COINIT: COM was initialised on the thread already.
    EXPECT_EQ(shared.comInProc, S_FALSE);
}

TEST(SHCreateThread, ThreadThatCannotStart) {
    Shared shared;
    {
        platform::fault::Scoped fault("SHCreateThread", ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_FALSE(SHCreateThread(Proc, &shared, CTF_COINIT, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_EQ(shared.procStep, 0);
    // CTF_INSIST: the work runs on the calling thread instead.
    platform::fault::Scoped fault("SHCreateThread", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(SHCreateThread(Proc, &shared, CTF_INSIST, Callback));
    EXPECT_EQ(shared.procThread, gettid());
    EXPECT_EQ(shared.callbackStep, 1);
    EXPECT_EQ(shared.procStep, 2);
}

}  // namespace
