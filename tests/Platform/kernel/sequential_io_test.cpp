#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <random>
#include <vector>

#include "kernel_test_support.h"
#include "platform/sequential_io.h"

namespace {

using kerneltest::Handle;
using kerneltest::Open;

constexpr DWORD kRW = GENERIC_READ | GENERIC_WRITE;

// A small buffer, so that little data reaches every edge of it.
class SmallBuffer {
public:
    explicit SmallBuffer(std::size_t bytes) { platform::SetSequentialBufferSize(bytes); }
    ~SmallBuffer() { platform::SetSequentialBufferSize(0); }
};

struct ModelCase {
    std::uint32_t seed;
    std::size_t bufferSize;
};

void PrintTo(const ModelCase& c, std::ostream* os) { *os << "seed " << c.seed << ", buffer " << c.bufferSize; }

class AgainstAModel : public testing::TestWithParam<ModelCase> {};

// Random reads, writes, moves, ends of file and flushes on one buffered handle, each checked against a
// plain byte vector with a pointer.
TEST_P(AgainstAModel, BufferedHandleBehavesLikeThePlainFile) {
    const ModelCase c = GetParam();
    SmallBuffer small(c.bufferSize);
    qlmtest::TempDir dir;
    Handle h = Open(dir / "f", kRW, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
    ASSERT_TRUE(h.valid());

    std::vector<std::uint8_t> model;
    std::uint64_t pointer = 0;
    std::mt19937 random(c.seed);
    const auto upTo = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(random); };
    // Sizes around the buffer's: far below, just below, at and past it.
    const auto size = [&] {
        const std::size_t kinds[] = {upTo(64), 1920, c.bufferSize - upTo(16), c.bufferSize, c.bufferSize + upTo(5000)};
        return kinds[upTo(4)];
    };

    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        switch (upTo(9)) {
            case 0: case 1: case 2: {  // write
                const auto data = qlmtest::PatternBytes(size(), c.seed * 1000 + step);
                DWORD done = 0;
                ASSERT_TRUE(WriteFile(h.get(), data.data(), static_cast<DWORD>(data.size()), &done, nullptr));
                ASSERT_EQ(done, data.size());
                if (model.size() < pointer + data.size()) model.resize(pointer + data.size());
                std::copy(data.begin(), data.end(), model.begin() + static_cast<std::ptrdiff_t>(pointer));
                pointer += data.size();
                break;
            }
            case 3: case 4: case 5: {  // read
                std::vector<std::uint8_t> data(size());
                DWORD done = 0;
                ASSERT_TRUE(ReadFile(h.get(), data.data(), static_cast<DWORD>(data.size()), &done, nullptr));
                const std::size_t expected = pointer >= model.size() ? 0 : std::min(data.size(), model.size() - pointer);
                ASSERT_EQ(done, expected);
                ASSERT_TRUE(std::equal(data.begin(), data.begin() + done, model.begin() + static_cast<std::ptrdiff_t>(pointer)));
                pointer += done;
                break;
            }
            case 6: case 7: {  // move, now and then past the end
                const DWORD method = static_cast<DWORD>(upTo(2));
                const std::int64_t base = method == FILE_BEGIN ? 0 : method == FILE_CURRENT ? pointer : model.size();
                const std::int64_t target = static_cast<std::int64_t>(upTo(model.size() + 100));
                LARGE_INTEGER distance{}, position{};
                distance.QuadPart = target - base;
                ASSERT_TRUE(SetFilePointerEx(h.get(), distance, &position, method));
                ASSERT_EQ(position.QuadPart, target);
                pointer = static_cast<std::uint64_t>(target);
                break;
            }
            case 8: {  // end of file here
                ASSERT_TRUE(SetEndOfFile(h.get()));
                model.resize(pointer);
                break;
            }
            default: {
                ASSERT_TRUE(FlushFileBuffers(h.get()));
                break;
            }
        }
        LARGE_INTEGER fileSize{};
        ASSERT_TRUE(GetFileSizeEx(h.get(), &fileSize));
        ASSERT_EQ(static_cast<std::uint64_t>(fileSize.QuadPart), model.size());
    }
    ASSERT_TRUE(CloseHandle(h.release()));
    EXPECT_EQ(qlmtest::ReadBytes(dir / "f"), model);
}

INSTANTIATE_TEST_SUITE_P(SequentialIo, AgainstAModel,
                         testing::Values(ModelCase{1, 4096}, ModelCase{2, 4096}, ModelCase{3, 5000},
                                         ModelCase{4, 65536}, ModelCase{5, 3000}, ModelCase{6, 4096}),
                         [](const auto& info) {
                             return "Seed" + std::to_string(info.param.seed) + "Buffer" +
                                    std::to_string(info.param.bufferSize);
                         });

TEST(SequentialIo, SmallCallsCostNoSystemCallEach) {
    qlmtest::TempDir dir;
    const auto chunk = qlmtest::PatternBytes(1920);
    constexpr int kChunks = 2000;  // about 3.7 MiB
    platform::fault::StartCounting();
    {
        Handle out = Open(dir / "f", GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
        for (int i = 0; i < kChunks; ++i) {
            DWORD done = 0;
            ASSERT_TRUE(WriteFile(out.get(), chunk.data(), 1920, &done, nullptr));
        }
    }
    const unsigned writes = platform::fault::Count("sys:write");
    {
        Handle in = Open(dir / "f", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN);
        std::vector<std::uint8_t> data(1920);
        DWORD done = 1920;
        int reads = 0;
        while (done == 1920) {
            ASSERT_TRUE(ReadFile(in.get(), data.data(), 1920, &done, nullptr));
            ASSERT_TRUE(done == 0 || data == chunk);
            ++reads;
        }
        EXPECT_EQ(reads, kChunks + 1);
    }
    const unsigned reads = platform::fault::Count("sys:read");
    platform::fault::StopCounting();
    // One system call per buffer of 1 MiB (and one more at the end of the file), not one per call.
    EXPECT_LE(writes, 4u);
    EXPECT_GE(writes, 1u);
    EXPECT_LE(reads, 6u);
}

struct FlushingCall {
    const char* name;
    std::function<BOOL(HANDLE&)> call;
};

void PrintTo(const FlushingCall& c, std::ostream* os) { *os << c.name; }

class DeferredWriteError : public testing::TestWithParam<FlushingCall> {};

// What a buffered handle held back fails at the next call that writes it out; the bytes stay in the
// buffer, so that once the disk has room a later call gets them out.
TEST_P(DeferredWriteError, SurfacesAtTheCallThatWritesItOut) {
    SmallBuffer small(4096);
    qlmtest::TempDir dir;
    HANDLE h = kerneltest::OpenRaw(dir / "f", kRW, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const auto data = qlmtest::PatternBytes(3000);
    DWORD done = 0;
    {
        platform::fault::Scoped full("sys:write", ENOSPC, 1, 0);
        ASSERT_TRUE(WriteFile(h, data.data(), 3000, &done, nullptr)) << "held back, nothing written yet";
        SetLastError(0);
        EXPECT_FALSE(GetParam().call(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    }
    if (h != INVALID_HANDLE_VALUE) {
        ASSERT_TRUE(FlushFileBuffers(h));
        ASSERT_TRUE(CloseHandle(h));
        EXPECT_EQ(qlmtest::ReadBytes(dir / "f"), data);
    } else {
        EXPECT_TRUE(std::filesystem::exists(dir / "f"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    SequentialIo, DeferredWriteError,
    testing::Values(FlushingCall{"FlushFileBuffers", [](HANDLE& h) { return FlushFileBuffers(h); }},
                    FlushingCall{"SetEndOfFile", [](HANDLE& h) { return SetEndOfFile(h); }},
                    FlushingCall{"SetFilePointer",
                                 [](HANDLE& h) { return SetFilePointer(h, 0, nullptr, FILE_BEGIN) == 0 ? TRUE : FALSE; }},
                    FlushingCall{"ReadFile",
                                 [](HANDLE& h) {
                                     char byte;
                                     DWORD done;
                                     return ReadFile(h, &byte, 1, &done, nullptr);
                                 }},
                    FlushingCall{"WriteFileThatFillsTheBuffer",
                                 [](HANDLE& h) {
                                     const auto more = qlmtest::PatternBytes(2000, 9);
                                     DWORD done = 99;
                                     const BOOL ok = WriteFile(h, more.data(), 2000, &done, nullptr);
                                     EXPECT_EQ(done, 0u) << "none of its own bytes taken";
                                     return ok;
                                 }},
                    FlushingCall{"CloseHandle",
                                 [](HANDLE& h) {
                                     const BOOL ok = CloseHandle(h);
                                     const DWORD error = GetLastError();
                                     EXPECT_FALSE(CloseHandle(h)) << "closed all the same";
                                     h = INVALID_HANDLE_VALUE;
                                     SetLastError(error);
                                     return ok;
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SequentialIo, FailingFsyncFailsTheFlush) {
    qlmtest::TempDir dir;
    Handle h = Open(dir / "f", GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(h.get(), "abc", 3, &done, nullptr));
    platform::fault::Scoped failing("sys:fsync", EIO);
    EXPECT_FALSE(FlushFileBuffers(h.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_DEVICE));
    EXPECT_EQ(kerneltest::Text(dir / "f"), "abc") << "the data were written out before the fsync";
}

TEST(SequentialIo, AnotherHandleSeesHeldBackBytesOnlyOnceWrittenOut) {
    qlmtest::TempDir dir;
    Handle writer = Open(dir / "f", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_NEW,
                         FILE_FLAG_SEQUENTIAL_SCAN);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(writer.get(), "abc", 3, &done, nullptr));
    DWORD high = 0;
    EXPECT_EQ(GetFileSize(writer.get(), &high), 3u) << "the writer counts its own bytes";
    Handle reader = Open(dir / "f", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    EXPECT_EQ(GetFileSize(reader.get(), &high), 0u);
    ASSERT_TRUE(FlushFileBuffers(writer.get()));
    EXPECT_EQ(GetFileSize(reader.get(), &high), 3u);
}

TEST(SequentialIo, HeldBackBytesReachTheFileWhenTheProgramEndsWithoutClosing) {
    qlmtest::TempDir dir;
    const auto file = dir / "f";
    const pid_t pid = fork();
    if (pid == 0) {
        HANDLE h = kerneltest::OpenRaw(file, GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
        DWORD done = 0;
        WriteFile(h, "left open", 9, &done, nullptr);
        std::exit(0);  // a normal end of the program, with its exit handlers
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(kerneltest::Text(file), "left open");
}

}  // namespace
