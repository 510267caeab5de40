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

// Where the failing write waits: held in the buffer, or handed over to the I/O thread.
enum class Held { InTheBuffer, HandedOver };

class DeferredWriteError : public testing::TestWithParam<std::tuple<FlushingCall, Held>> {};

// What a buffered handle held back fails at the next call that writes it out, or that waits for the
// I/O thread's write of it; the bytes are kept, so that once the disk has room a later call gets them
// out.
TEST_P(DeferredWriteError, SurfacesAtTheCallThatWritesItOut) {
    const auto& [call, held] = GetParam();
    SmallBuffer small(4096);
    qlmtest::TempDir dir;
    HANDLE h = kerneltest::OpenRaw(dir / "f", kRW, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const auto data = qlmtest::PatternBytes(9000);
    // 3000 bytes at a time: the first go out when the second do not fit, the second are handed over
    // when the third do not fit; 3000 bytes stay in the buffer either way.
    const std::size_t before = held == Held::HandedOver ? 6000 : 0;
    DWORD done = 0;
    for (std::size_t at = 0; at < before; at += 3000) ASSERT_TRUE(WriteFile(h, data.data() + at, 3000, &done, nullptr));
    {
        // One failure: the first attempt at these bytes, whichever thread makes it.
        platform::fault::Scoped full("sys:write", ENOSPC, 1, 1);
        ASSERT_TRUE(WriteFile(h, data.data() + before, 3000, &done, nullptr)) << "held back, nothing written yet";
        LARGE_INTEGER size{};
        ASSERT_TRUE(GetFileSizeEx(h, &size)) << "counts what is held back without waiting for it";
        EXPECT_EQ(static_cast<std::size_t>(size.QuadPart), before + 3000);
        SetLastError(0);
        EXPECT_FALSE(call.call(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    }
    if (h != INVALID_HANDLE_VALUE) {
        ASSERT_TRUE(FlushFileBuffers(h));
        ASSERT_TRUE(CloseHandle(h));
        EXPECT_EQ(qlmtest::ReadBytes(dir / "f"),
                  std::vector<std::uint8_t>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(before + 3000)));
    } else {
        EXPECT_TRUE(std::filesystem::exists(dir / "f"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    SequentialIo, DeferredWriteError,
    testing::Combine(testing::Values(FlushingCall{"FlushFileBuffers", [](HANDLE& h) { return FlushFileBuffers(h); }},
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
                     testing::Values(Held::InTheBuffer, Held::HandedOver)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == Held::HandedOver ? "HandedOver" : "InTheBuffer");
    });

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

// --- The I/O thread: read-ahead and handed-over writes -------------------------------------------

std::vector<std::uint8_t> ReadToEnd(HANDLE h, std::size_t chunk) {
    std::vector<std::uint8_t> all, piece(chunk);
    DWORD done = 0;
    do {
        if (!ReadFile(h, piece.data(), static_cast<DWORD>(chunk), &done, nullptr)) {
            ADD_FAILURE() << "ReadFile: error " << GetLastError();
            break;
        }
        all.insert(all.end(), piece.begin(), piece.begin() + done);
    } while (done != 0);
    return all;
}

bool WriteInChunks(HANDLE h, const std::vector<std::uint8_t>& data, std::size_t chunk) {
    for (std::size_t at = 0; at < data.size(); at += chunk) {
        const DWORD n = static_cast<DWORD>(std::min(chunk, data.size() - at));
        DWORD done = 0;
        if (!WriteFile(h, data.data() + at, n, &done, nullptr) || done != n) return false;
    }
    return true;
}

// Several buffers one way, then the other, closed right after the last call: the close waits for
// what the I/O thread still has, and a reader that stops part way leaves a read-ahead behind.
TEST(SequentialIo, RunsOfManyBuffersCloseWithTheThreadStillBusy) {
    qlmtest::TempDir dir;
    const auto data = qlmtest::PatternBytes((std::size_t{9} << 20) + 7, 5);  // 9 buffers and a bit
    {
        Handle out = Open(dir / "f", GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
        ASSERT_TRUE(WriteInChunks(out.get(), data, 1920));
        ASSERT_TRUE(CloseHandle(out.release()));
    }
    ASSERT_EQ(qlmtest::ReadBytes(dir / "f"), data);
    {
        Handle in = Open(dir / "f", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
        EXPECT_EQ(ReadToEnd(in.get(), 1920), data);
    }
    Handle in = Open(dir / "f", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    std::vector<std::uint8_t> part((std::size_t{3} << 20) + 100);
    DWORD done = 0;
    for (std::size_t at = 0; at < part.size(); at += done) {
        ASSERT_TRUE(ReadFile(in.get(), part.data() + at, static_cast<DWORD>(std::min<std::size_t>(1920, part.size() - at)),
                             &done, nullptr));
    }
    EXPECT_TRUE(std::equal(part.begin(), part.end(), data.begin()));
    EXPECT_TRUE(CloseHandle(in.release())) << "a read-ahead still out";
}

// What a handle does while the buffer after its current one is being read ahead: the next read must
// see the file as this handle left it, never the read-ahead's older bytes.
struct ReadAheadCase {
    const char* name;
    // Acts on the handle whose pointer is at 8192, two buffers into a file of eight (pattern bytes),
    // with the third buffer read ahead; changes the model of the file alike and returns the pointer.
    std::function<std::uint64_t(HANDLE, std::vector<std::uint8_t>&)> act;
};

void PrintTo(const ReadAheadCase& c, std::ostream* os) { *os << c.name; }

class WhileReadingAhead : public testing::TestWithParam<ReadAheadCase> {};

std::uint64_t MoveTo(HANDLE h, std::int64_t to) {
    LARGE_INTEGER distance{}, position{};
    distance.QuadPart = to;
    EXPECT_TRUE(SetFilePointerEx(h, distance, &position, FILE_BEGIN));
    return static_cast<std::uint64_t>(position.QuadPart);
}

std::uint64_t Overwrite(HANDLE h, std::vector<std::uint8_t>& model, std::uint64_t at, std::size_t size) {
    const auto bytes = qlmtest::PatternBytes(size, 77);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(size), &done, nullptr));
    if (model.size() < at + size) model.resize(at + size);
    std::copy(bytes.begin(), bytes.end(), model.begin() + static_cast<std::ptrdiff_t>(at));
    return at + size;
}

TEST_P(WhileReadingAhead, TheNextReadSeesTheFileAsThisHandleLeftIt) {
    constexpr std::size_t kBuffer = 4096;
    SmallBuffer small(kBuffer);
    qlmtest::TempDir dir;
    auto model = qlmtest::PatternBytes(8 * kBuffer, 3);
    qlmtest::WriteBytes(dir / "f", model);
    Handle h = Open(dir / "f", kRW, 0, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    ASSERT_TRUE(h.valid());

    // The second refill continues the first and comes back full: the third buffer is read ahead.
    std::vector<std::uint8_t> start(1000);
    DWORD done = 0;
    for (std::size_t at = 0; at < 2 * kBuffer; at += done) {
        ASSERT_TRUE(ReadFile(h.get(), start.data(), static_cast<DWORD>(std::min<std::size_t>(1000, 2 * kBuffer - at)),
                             &done, nullptr));
        ASSERT_NE(done, 0u);
    }
    const std::uint64_t pointer = GetParam().act(h.get(), model);

    const auto rest = ReadToEnd(h.get(), 1000);
    ASSERT_LE(pointer, model.size());
    EXPECT_EQ(rest, std::vector<std::uint8_t>(model.begin() + static_cast<std::ptrdiff_t>(pointer), model.end()));
    ASSERT_TRUE(CloseHandle(h.release()));
    EXPECT_EQ(qlmtest::ReadBytes(dir / "f"), model);
}

INSTANTIATE_TEST_SUITE_P(
    SequentialIo, WhileReadingAhead,
    testing::Values(
        ReadAheadCase{"ReadOn", [](HANDLE, std::vector<std::uint8_t>&) -> std::uint64_t { return 8192; }},
        ReadAheadCase{"MoveBack", [](HANDLE h, std::vector<std::uint8_t>&) { return MoveTo(h, 100); }},
        ReadAheadCase{"MoveIntoTheReadAhead", [](HANDLE h, std::vector<std::uint8_t>&) { return MoveTo(h, 9000); }},
        ReadAheadCase{"MovePastIt", [](HANDLE h, std::vector<std::uint8_t>&) { return MoveTo(h, 20000); }},
        ReadAheadCase{"OverwriteItThenMoveBack",
                      [](HANDLE h, std::vector<std::uint8_t>& model) {
                          Overwrite(h, model, 8192, 500);
                          return MoveTo(h, 8000);
                      }},
        ReadAheadCase{"OverwriteItThenReadOn",
                      [](HANDLE h, std::vector<std::uint8_t>& model) { return Overwrite(h, model, 8192, 500); }},
        ReadAheadCase{"OverwriteItWholeThenMoveBack",
                      [](HANDLE h, std::vector<std::uint8_t>& model) {
                          Overwrite(h, model, 8192, 3 * 4096);  // past the buffer: written at once
                          return MoveTo(h, 8192);
                      }},
        ReadAheadCase{"CutTheFileThere",
                      [](HANDLE h, std::vector<std::uint8_t>& model) -> std::uint64_t {
                          EXPECT_TRUE(SetEndOfFile(h));
                          model.resize(8192);
                          return 8192;
                      }},
        ReadAheadCase{"CutTheFileInsideIt",
                      [](HANDLE h, std::vector<std::uint8_t>& model) -> std::uint64_t {
                          MoveTo(h, 10000);
                          EXPECT_TRUE(SetEndOfFile(h));
                          model.resize(10000);
                          return MoveTo(h, 8192);
                      }},
        ReadAheadCase{"FlushAndReadOn", [](HANDLE h, std::vector<std::uint8_t>&) -> std::uint64_t {
                          EXPECT_TRUE(FlushFileBuffers(h));
                          return 8192;
                      }}),
    [](const auto& info) { return std::string(info.param.name); });

// A read-ahead that fails is the error of the read that needs its bytes, not of the read that
// started it; the next read tries again and goes on.
TEST(SequentialIo, FailedReadAheadSurfacesAtTheReadThatNeedsIt) {
    constexpr std::size_t kBuffer = 4096;
    SmallBuffer small(kBuffer);
    qlmtest::TempDir dir;
    const auto data = qlmtest::PatternBytes(5 * kBuffer, 8);
    qlmtest::WriteBytes(dir / "f", data);
    Handle h = Open(dir / "f", GENERIC_READ, 0, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    // Reads 1 and 2 fill the first two buffers; read 3 is the third buffer's, ahead of the pointer.
    platform::fault::Scoped failing("sys:read", EIO, 3);
    std::vector<std::uint8_t> got, piece(1000);
    DWORD done = 0;
    while (got.size() < 2 * kBuffer - 1000) {
        ASSERT_TRUE(ReadFile(h.get(), piece.data(), 1000, &done, nullptr));
        got.insert(got.end(), piece.begin(), piece.begin() + done);
    }
    SetLastError(0);
    EXPECT_FALSE(ReadFile(h.get(), piece.data(), 1000, &done, nullptr)) << "the read that crosses into the third buffer";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_DEVICE));
    got.insert(got.end(), piece.begin(), piece.begin() + done);
    EXPECT_EQ(got.size(), 2 * kBuffer) << "what the buffer still had is served";
    const auto rest = ReadToEnd(h.get(), 1000);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, data);
}

// Exit without closing, with handed-over writes out on the I/O thread: the exit handlers wait for
// them and write out the rest. A deadlock would end the child by its alarm.
TEST(SequentialIo, HandedOverWritesReachTheFileWhenTheProgramEndsWithoutClosing) {
    qlmtest::TempDir dir;
    const auto data = qlmtest::PatternBytes((std::size_t{5} << 20) + 7, 6);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(30);
        HANDLE h = kerneltest::OpenRaw(dir / "f", GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
        const bool ok = h != INVALID_HANDLE_VALUE && WriteInChunks(h, data, 1920);
        std::exit(ok ? 0 : 1);  // a normal end of the program, with its exit handlers
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(qlmtest::ReadBytes(dir / "f"), data);
}

// A fork while the I/O thread has a write out: the child inherits the handle with that write done
// (it waits for no thread that it does not have), and starts an I/O thread of its own when it needs one.
TEST(SequentialIo, ForkWithAWriteOutLeavesTheChildNothingHalfDone) {
    SmallBuffer large(std::size_t{8} << 20);  // a long write: most likely still out at the fork
    qlmtest::TempDir dir;
    const auto data = qlmtest::PatternBytes((std::size_t{16} << 20) + 3, 9);
    const auto childData = qlmtest::PatternBytes((std::size_t{3} << 20) + 5, 10);
    Handle h = Open(dir / "parent", GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
    ASSERT_TRUE(WriteInChunks(h.get(), data, 1920));  // the last full buffer handed over just now
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(30);
        bool ok = FlushFileBuffers(h.get()) != FALSE;
        HANDLE own = kerneltest::OpenRaw(dir / "child", GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN);
        ok = ok && own != INVALID_HANDLE_VALUE && WriteInChunks(own, childData, 1920) && CloseHandle(own);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(qlmtest::ReadBytes(dir / "child"), childData);
    ASSERT_TRUE(CloseHandle(h.release()));
    EXPECT_EQ(qlmtest::ReadBytes(dir / "parent"), data);
}

}  // namespace
