#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "kernel_test_support.h"

namespace {

using kerneltest::Handle;

// Waits (up to a generous limit) until count reaches value: the threads run when the system lets them.
bool Reaches(const std::atomic<int>& count, int value) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (count.load() < value) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(Events, InitialStateAndTheKindOfReset) {
    struct {
        BOOL manual, initial;
        DWORD first, second;  // two waits with no time
    } cases[] = {
        {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},  // the first wait takes the signal
        {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},  // stays set
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "manual " << c.manual << " initial " << c.initial);
        Handle e(CreateEventW(nullptr, c.manual, c.initial, nullptr));
        ASSERT_NE(e.get(), nullptr);
        EXPECT_EQ(WaitForSingleObject(e.get(), 0), c.first);
        EXPECT_EQ(WaitForSingleObject(e.get(), 0), c.second);
    }
}

TEST(Events, ResetEventUnsetsAManualEvent) {
    Handle e(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    ASSERT_TRUE(ResetEvent(e.get()));
    EXPECT_EQ(WaitForSingleObject(e.get(), 0), WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(e.get()));
    ASSERT_TRUE(SetEvent(e.get()));
    EXPECT_EQ(WaitForSingleObject(e.get(), 0), WAIT_OBJECT_0);
}

TEST(Events, AWaitTimesOutAfterItsTime) {
    Handle e(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(e.get(), 50), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST(Events, AutoResetReleasesOneWaiterPerSet) {
    Handle e(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (WaitForSingleObject(e.get(), INFINITE) == WAIT_OBJECT_0) ++released;
        });
    }
    for (int set = 1; set <= 3; ++set) {
        ASSERT_TRUE(SetEvent(e.get()));
        ASSERT_TRUE(Reaches(released, set));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(released.load(), set) << "one set, one waiter";
    }
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(WaitForSingleObject(e.get(), 0), WAIT_TIMEOUT) << "the last waiter took the signal";
}

TEST(Events, ManualResetReleasesEveryWaiter) {
    Handle e(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (WaitForSingleObject(e.get(), 10000) == WAIT_OBJECT_0) ++released;
        });
    }
    ASSERT_TRUE(SetEvent(e.get()));
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(released.load(), 3);
    EXPECT_EQ(WaitForSingleObject(e.get(), 0), WAIT_OBJECT_0);
}

TEST(Events, SetFromAnotherThreadEndsAWait) {
    Handle e(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SetEvent(e.get());
    });
    EXPECT_EQ(WaitForSingleObject(e.get(), 10000), WAIT_OBJECT_0);
    setter.join();
}

TEST(Events, NamedEventsAreNotSupported) {
    SetLastError(0);
    EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, TEXT("Global\\ready")), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    Handle unnamed(CreateEventW(nullptr, TRUE, FALSE, TEXT("")));
    EXPECT_NE(unnamed.get(), nullptr) << "an empty name is no name";
}

}  // namespace
