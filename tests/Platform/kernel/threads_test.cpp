#include <gtest/gtest.h>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "kernel_test_support.h"
#include "platform/utf.h"

namespace {

TEST(GetCurrentThreadId, DiffersBetweenThreadsAndStaysWithinOne) {
    const DWORD mine = GetCurrentThreadId();
    EXPECT_EQ(GetCurrentThreadId(), mine);
    EXPECT_EQ(mine, static_cast<DWORD>(getpid())) << "the main thread's id is the process id";
    DWORD other = mine;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, mine);

    const pid_t child = fork();
    if (child == 0) _exit(GetCurrentThreadId() == static_cast<DWORD>(getpid()) ? 0 : 1);
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0) << "a forked child's thread has an id of its own";
}

TEST(GetModuleFileNameW, NamesTheRunningProgram) {
    WCHAR name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::string path = *platform::Utf16ToUtf8(std::u16string_view(name, length));
    EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe"));

    WCHAR small[5];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 5), 5u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::u16string(small), std::u16string(name, 4));

    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(0x1000), name, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

// The module handle of the code at address: where its file is mapped.
HMODULE ModuleOf(const void* address) {
    Dl_info info{};
    return dladdr(address, &info) != 0 ? static_cast<HMODULE>(info.dli_fbase) : nullptr;
}

TEST(GetModuleFileNameW, NamesTheModuleOfAHandle) {
    WCHAR name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(ModuleOf(reinterpret_cast<const void*>(&CreateFileW)), name, MAX_PATH);
    ASSERT_GT(length, 0u) << GetLastError();
    const std::string library = *platform::Utf16ToUtf8(std::u16string_view(name, length));
    EXPECT_EQ(std::filesystem::path(library).filename(), "libplatform_kernel.so");

    static const int inThisProgram = 0;
    const DWORD programLength = GetModuleFileNameW(ModuleOf(&inThisProgram), name, MAX_PATH);
    ASSERT_GT(programLength, 0u) << GetLastError();
    EXPECT_TRUE(std::filesystem::equivalent(*platform::Utf16ToUtf8(std::u16string_view(name, programLength)),
                                            "/proc/self/exe"));

    const char* inside = reinterpret_cast<const char*>(ModuleOf(reinterpret_cast<const void*>(&CreateFileW))) + 16;
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(const_cast<char*>(inside)), name, MAX_PATH), 0u)
        << "only the module's own address is its handle";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
