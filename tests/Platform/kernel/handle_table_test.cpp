#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "kernel_test_support.h"

namespace {

TEST(HandleTable, HandlesThatAreNotOpenFailWithoutHarm) {
    qlmtest::TempDir dir;
    HANDLE file = kerneltest::OpenRaw(dir / "f", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(file));

    const HANDLE bad[] = {nullptr, INVALID_HANDLE_VALUE, file /* closed */, reinterpret_cast<HANDLE>(0x1234 * 4),
                          reinterpret_cast<HANDLE>(0x7FFF0001)};
    for (HANDLE h : bad) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(h));
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        DWORD done = 0;
        EXPECT_FALSE(WriteFile(h, "x", 1, &done, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(GetFileSize(h, nullptr), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(SetEvent(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST(HandleTable, AClosedHandleStaysDeadWhenItsSlotIsReused) {
    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(first));
    HANDLE second = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_FALSE(SetEvent(first));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(second));
}

TEST(HandleTable, EachCallTakesOnlyItsOwnKindOfObject) {
    qlmtest::TempDir dir;
    kerneltest::Handle file = kerneltest::Open(dir / "f", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    kerneltest::Handle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    EXPECT_FALSE(SetEvent(file.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD done = 0;
    EXPECT_FALSE(WriteFile(event.get(), "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(file.get(), 0), WAIT_OBJECT_0) << "a file with synchronous I/O is signalled";
}

TEST(HandleTable, ThreadsOpeningAndClosingAtOnceEachGetTheirOwnHandles) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 2000;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
                // Set by this thread only: another thread's handle never lands on this object.
                if (e == nullptr || !SetEvent(e) || WaitForSingleObject(e, 0) != WAIT_OBJECT_0 || !CloseHandle(e) ||
                    CloseHandle(e)) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
