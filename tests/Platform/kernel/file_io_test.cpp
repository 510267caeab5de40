#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "kernel_test_support.h"

namespace {

using kerneltest::Handle;
using kerneltest::Open;
using kerneltest::Text;

constexpr DWORD kRW = GENERIC_READ | GENERIC_WRITE;

bool Write(HANDLE h, std::string_view text) {
    DWORD written = 0;
    return WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

std::string Read(HANDLE h, DWORD size) {
    std::string text(size, '\0');
    DWORD read = 0;
    if (!ReadFile(h, text.data(), size, &read, nullptr)) return "<failed>";
    text.resize(read);
    return text;
}

std::uint64_t Size(HANDLE h) {
    LARGE_INTEGER size{};
    EXPECT_TRUE(GetFileSizeEx(h, &size));
    return static_cast<std::uint64_t>(size.QuadPart);
}

// Both kinds of handle: straight to the system, and buffered for sequential scan.
class FileIo : public testing::TestWithParam<DWORD> {
protected:
    Handle Create(const char* name, DWORD access = kRW) { return Open(dir_ / name, access, 0, CREATE_ALWAYS, GetParam()); }
    qlmtest::TempDir dir_;
};

TEST_P(FileIo, WritesThenReadsBackWithThePointerWhereTheCallerLeftIt) {
    Handle h = Create("f");
    ASSERT_TRUE(h.valid());
    ASSERT_TRUE(Write(h.get(), "hello, world"));
    EXPECT_EQ(SetFilePointer(h.get(), 0, nullptr, FILE_CURRENT), 12u);
    EXPECT_EQ(SetFilePointer(h.get(), 7, nullptr, FILE_BEGIN), 7u);
    EXPECT_EQ(Read(h.get(), 100), "world") << "short only at the end of the file";
    EXPECT_EQ(Read(h.get(), 100), "") << "at the end: success with 0 bytes";
    EXPECT_EQ(SetFilePointer(h.get(), -5, nullptr, FILE_END), 7u);
    ASSERT_TRUE(Write(h.get(), "W"));
    EXPECT_EQ(SetFilePointer(h.get(), -12, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);  // before the start
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(h.get(), 0, nullptr, FILE_CURRENT), 8u) << "a failed move leaves the pointer";
    h.reset();
    EXPECT_EQ(Text(dir_ / "f"), "hello, World");
}

TEST_P(FileIo, WritingPastTheEndLeavesZeros) {
    Handle h = Create("f");
    ASSERT_TRUE(Write(h.get(), "ab"));
    EXPECT_EQ(SetFilePointer(h.get(), 5, nullptr, FILE_BEGIN), 5u);
    ASSERT_TRUE(Write(h.get(), "z"));
    EXPECT_EQ(Size(h.get()), 6u);
    h.reset();
    EXPECT_EQ(Text(dir_ / "f"), std::string("ab\0\0\0z", 6));
}

TEST_P(FileIo, SetEndOfFileCutsAndGrowsAtThePointer) {
    Handle h = Create("f");
    ASSERT_TRUE(Write(h.get(), "0123456789"));
    ASSERT_EQ(SetFilePointer(h.get(), 4, nullptr, FILE_BEGIN), 4u);
    ASSERT_TRUE(SetEndOfFile(h.get()));
    EXPECT_EQ(Size(h.get()), 4u);
    EXPECT_EQ(SetFilePointer(h.get(), 0, nullptr, FILE_CURRENT), 4u);
    ASSERT_EQ(SetFilePointer(h.get(), 4096, nullptr, FILE_BEGIN), 4096u);
    ASSERT_TRUE(SetEndOfFile(h.get()));
    EXPECT_EQ(Size(h.get()), 4096u);
    h.reset();
    const auto bytes = qlmtest::ReadBytes(dir_ / "f");
    ASSERT_EQ(bytes.size(), 4096u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "0123");
    EXPECT_TRUE(std::all_of(bytes.begin() + 4, bytes.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_P(FileIo, EachCallNeedsItsAccess) {
    qlmtest::WriteText(dir_ / "f", "content");
    Handle reader = Open(dir_ / "f", GENERIC_READ, kerneltest::kShareAll, OPEN_EXISTING, GetParam());
    Handle writer = Open(dir_ / "f", GENERIC_WRITE, kerneltest::kShareAll, OPEN_EXISTING, GetParam());
    ASSERT_TRUE(reader.valid() && writer.valid());
    char byte;
    DWORD done = 1;
    EXPECT_FALSE(ReadFile(writer.get(), &byte, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(WriteFile(reader.get(), "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(SetEndOfFile(reader.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(FlushFileBuffers(reader.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Text(dir_ / "f"), "content");
}

TEST_P(FileIo, OverlappedCallsAreRefused) {
    Handle h = Create("f");
    OVERLAPPED overlapped{};
    DWORD done = 0;
    EXPECT_FALSE(WriteFile(h.get(), "x", 1, &done, &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    char byte;
    EXPECT_FALSE(ReadFile(h.get(), &byte, 1, &done, &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Size(h.get()), 0u);
}

TEST_P(FileIo, ZeroByteWriteChangesNothing) {
    Handle h = Create("f");
    ASSERT_EQ(SetFilePointer(h.get(), 100, nullptr, FILE_BEGIN), 100u);
    DWORD done = 7;
    EXPECT_TRUE(WriteFile(h.get(), "", 0, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(Size(h.get()), 0u);
}

TEST_P(FileIo, SystemWriteFailureIsTheCallersError) {
    // Unbuffered, the write fails at once; buffered, at the flush that follows.
    Handle h = Create("f");
    platform::fault::Scoped full("sys:write", ENOSPC, 1, 0);
    const bool wrote = Write(h.get(), "data");
    if (wrote) {
        EXPECT_NE(GetParam() & FILE_FLAG_SEQUENTIAL_SCAN, 0u);
        EXPECT_FALSE(FlushFileBuffers(h.get()));
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
}

INSTANTIATE_TEST_SUITE_P(Handles, FileIo, testing::Values(FILE_ATTRIBUTE_NORMAL, FILE_FLAG_SEQUENTIAL_SCAN),
                         [](const auto& info) {
                             return std::string(info.param == FILE_FLAG_SEQUENTIAL_SCAN ? "Sequential" : "Direct");
                         });

TEST(LargeFiles, GetFileSizeGivesBothHalves) {
    qlmtest::TempDir dir;
    const auto file = dir / "large";
    qlmtest::WriteText(file, "");
    std::filesystem::resize_file(file, (5ull << 30) + 7);  // sparse: no disk used
    Handle h = Open(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    ASSERT_TRUE(h.valid());
    DWORD high = 0;
    SetLastError(99);
    EXPECT_EQ(GetFileSize(h.get(), &high), (1u << 30) + 7);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(Size(h.get()), (5ull << 30) + 7);
}

TEST(LargeFiles, AFileOfAllOnesInTheLowPartIsNoFailure) {
    qlmtest::TempDir dir;
    const auto file = dir / "edge";
    qlmtest::WriteText(file, "");
    std::filesystem::resize_file(file, 0xFFFFFFFFull);
    Handle h = Open(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    DWORD high = 99;
    SetLastError(99);
    EXPECT_EQ(GetFileSize(h.get(), &high), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), 0u) << "INVALID_FILE_SIZE with last error 0 is a size";
    EXPECT_EQ(high, 0u);
}

TEST(LargeFiles, SetFilePointerPast4GiBNeedsTheHighPart) {
    qlmtest::TempDir dir;
    Handle h = Open(dir / "f", kRW, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
    ASSERT_TRUE(h.valid());
    LONG high = 1;
    SetLastError(99);
    EXPECT_EQ(SetFilePointer(h.get(), 0x10, &high, FILE_BEGIN), 0x10u);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(GetLastError(), 0u);
    ASSERT_TRUE(Write(h.get(), "tail"));
    EXPECT_EQ(Size(h.get()), (1ull << 32) + 0x14);

    // The low part alone is a signed 32-bit distance; a result past 32 bits fails and moves nothing.
    EXPECT_EQ(SetFilePointer(h.get(), 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    LARGE_INTEGER zero{}, position{};
    ASSERT_TRUE(SetFilePointerEx(h.get(), zero, &position, FILE_CURRENT));
    EXPECT_EQ(position.QuadPart, (1ll << 32) + 0x14);

    // A position whose low part is all ones: INVALID_SET_FILE_POINTER with last error 0.
    high = 0;
    SetLastError(99);
    EXPECT_EQ(SetFilePointer(h.get(), -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(high, 0);

    LARGE_INTEGER back{};
    back.QuadPart = -((1ll << 32) + 0x14);
    ASSERT_TRUE(SetFilePointerEx(h.get(), back, &position, FILE_END));
    EXPECT_EQ(position.QuadPart, 0);
    back.QuadPart = -1;
    EXPECT_FALSE(SetFilePointerEx(h.get(), back, &position, FILE_CURRENT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_FALSE(SetFilePointerEx(h.get(), back, &position, 3));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
