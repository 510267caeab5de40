#include <gtest/gtest.h>

#include <thread>

#include "combaseapi.h"
#include "platform/fault_injection.h"
#include "test_counter.h"
#include "winerror.h"

namespace {

// Each case runs on a thread of its own, so that it starts with COM uninitialised.
template <class F>
void OnFreshThread(F body) {
    std::thread(body).join();
}

// CO_E_NOTINITIALIZED or not, seen through an object creation on the calling thread.
HRESULT CreateStatus() {
    ITestCounter* counter = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&counter));
    if (counter != nullptr) counter->Release();
    return hr;
}

TEST(Apartment, FirstInitialisationIsSOkThenSFalseAndEachNeedsItsUninitialize) {
    OnFreshThread([] {
        EXPECT_EQ(CreateStatus(), CO_E_NOTINITIALIZED);
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(CreateStatus(), S_OK);
        CoUninitialize();
        EXPECT_EQ(CreateStatus(), CO_E_NOTINITIALIZED);
        CoUninitialize();  // one too many: ignored
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        CoUninitialize();
    });
}

TEST(Apartment, ChangingTheModelIsRefusedAndNotCounted) {
    OnFreshThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE), S_FALSE);
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(CreateStatus(), CO_E_NOTINITIALIZED);
        // Once uninitialised, the thread may choose again.
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        CoUninitialize();
    });
}

TEST(Apartment, InitialisationBelongsToTheThread) {
    OnFreshThread([] {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        OnFreshThread([] { EXPECT_EQ(CreateStatus(), CO_E_NOTINITIALIZED); });
        EXPECT_EQ(CreateStatus(), S_OK);
        CoUninitialize();
    });
}

TEST(Apartment, ReservedArgumentMustBeNullAndFaultsAreInjectable) {
    OnFreshThread([] {
        int reserved = 0;
        EXPECT_EQ(CoInitialize(&reserved), E_INVALIDARG);
        {
            platform::fault::Scoped fail("CoInitialize", static_cast<DWORD>(E_OUTOFMEMORY));
            EXPECT_EQ(CoInitialize(nullptr), E_OUTOFMEMORY);
        }
        EXPECT_EQ(CreateStatus(), CO_E_NOTINITIALIZED);
    });
}

TEST(TaskMemory, AllocatesFreesAndFailsOnRequest) {
    auto* p = static_cast<BYTE*>(CoTaskMemAlloc(16));
    ASSERT_NE(p, nullptr);
    p[15] = 1;
    p = static_cast<BYTE*>(CoTaskMemRealloc(p, 64));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[15], 1);
    CoTaskMemFree(p);
    CoTaskMemFree(nullptr);
    platform::fault::Scoped fail("CoTaskMemAlloc", 0);
    EXPECT_EQ(CoTaskMemAlloc(16), nullptr);
}

}  // namespace
