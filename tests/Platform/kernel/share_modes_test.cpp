#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "kernel_test_support.h"

namespace {

using kerneltest::Handle;
using kerneltest::Open;
using kerneltest::Text;

constexpr DWORD R = FILE_SHARE_READ;
constexpr DWORD W = FILE_SHARE_WRITE;
constexpr DWORD D = FILE_SHARE_DELETE;

struct OpenRequest {
    DWORD access;
    DWORD share;
    DWORD disposition;
};

struct ShareCase {
    const char* name;
    OpenRequest first;
    OpenRequest second;
    bool conflicts;
};

void PrintTo(const ShareCase& c, std::ostream* os) { *os << c.name; }

enum class Holder { ThisProcess, OtherProcess };

// The first open held in a child process until the parent has tried the second one.
class ChildHolder {
public:
    ChildHolder(const std::filesystem::path& file, const OpenRequest& request) {
        int ready[2], release[2];
        if (pipe(ready) != 0 || pipe(release) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(release[1]);
            HANDLE h = kerneltest::OpenRaw(file, request.access, request.share, request.disposition);
            const char opened = h != INVALID_HANDLE_VALUE ? '1' : '0';
            (void)!write(ready[1], &opened, 1);
            char unused;
            (void)!read(release[0], &unused, 1);  // returns when the parent closes its end
            _exit(0);  // no exit handlers: they belong to the parent's copy of the process
        }
        close(ready[1]);
        close(release[0]);
        release_ = release[1];
        char opened = '0';
        opened_ = read(ready[0], &opened, 1) == 1 && opened == '1';
        close(ready[0]);
    }
    ~ChildHolder() {
        if (release_ >= 0) close(release_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    bool opened() const { return opened_; }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool opened_ = false;
};

class ShareModes : public testing::TestWithParam<std::tuple<ShareCase, Holder>> {};

TEST_P(ShareModes, SecondOpenMeetsTheFirstOnesShareMode) {
    const auto& [c, holder] = GetParam();
    qlmtest::TempDir dir;
    const auto file = dir / "shared.txt";
    qlmtest::WriteText(file, "original content");

    Handle inProcess;
    std::unique_ptr<ChildHolder> child;
    if (holder == Holder::ThisProcess) {
        inProcess = Open(file, c.first.access, c.first.share, c.first.disposition);
        ASSERT_TRUE(inProcess.valid());
    } else {
        child = std::make_unique<ChildHolder>(file, c.first);
        ASSERT_TRUE(child->opened());
    }

    Handle second = Open(file, c.second.access, c.second.share, c.second.disposition);
    if (c.conflicts) {
        EXPECT_FALSE(second.valid());
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(Text(file), "original content") << "a refused open truncates nothing";
    } else {
        EXPECT_TRUE(second.valid()) << GetLastError();
    }

    // Once the first open is gone, the second one goes through.
    second.reset();
    inProcess.reset();
    child.reset();
    EXPECT_TRUE(Open(file, c.second.access, c.second.share, c.second.disposition).valid());
}

constexpr OpenRequest kReader{GENERIC_READ, R | W, OPEN_EXISTING};  // how a source is read
constexpr OpenRequest kOwner{GENERIC_WRITE, 0, CREATE_ALWAYS};      // how an output is written

INSTANTIATE_TEST_SUITE_P(
    CreateFileW, ShareModes,
    testing::Combine(
        testing::Values(
            ShareCase{"ReaderThenReader", kReader, kReader, false},
            ShareCase{"ReaderThenOwner", kReader, kOwner, true},
            ShareCase{"OwnerThenReader", {GENERIC_WRITE, 0, OPEN_EXISTING}, kReader, true},
            ShareCase{"OwnerThenOwner", {GENERIC_WRITE, 0, OPEN_EXISTING}, kOwner, true},
            ShareCase{"ReaderThenTruncate", kReader, {GENERIC_WRITE, R | W, TRUNCATE_EXISTING}, false},
            ShareCase{"ExclusiveReaderThenTruncate", {GENERIC_READ, 0, OPEN_EXISTING},
                      {GENERIC_WRITE, R | W | D, TRUNCATE_EXISTING}, true},
            ShareCase{"WritersSharingAll", {GENERIC_WRITE, R | W | D, OPEN_EXISTING},
                      {GENERIC_READ | GENERIC_WRITE, R | W, OPEN_ALWAYS}, false},
            ShareCase{"ReaderDenyingWritersThenWriter", {GENERIC_READ, R, OPEN_EXISTING},
                      {GENERIC_WRITE, R | W, CREATE_ALWAYS}, true},
            // Windows admits two readers that share only reading; with two lock modes they conflict here.
            ShareCase{"ReadersSharingOnlyReading", {GENERIC_READ, R, OPEN_EXISTING}, {GENERIC_READ, R, OPEN_EXISTING},
                      true}),
        testing::Values(Holder::ThisProcess, Holder::OtherProcess)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == Holder::ThisProcess ? "_InThisProcess" : "_InAnotherProcess");
    });

TEST(ShareModes, AConflictWithAFileThatCreateNewMadeKeepsIt) {
    qlmtest::TempDir dir;
    const auto file = dir / "new.qlm";
    Handle owner = Open(file, GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_TRUE(owner.valid());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(owner.get(), "data", 4, &written, nullptr));
    EXPECT_FALSE(Open(file, GENERIC_WRITE, 0, CREATE_ALWAYS).valid());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    owner.reset();
    EXPECT_EQ(Text(file), "data");
}

}  // namespace

namespace {

TEST(ShareModes, AFileSystemWithoutLocksOpensWithoutThem) {
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "f", "x");
    platform::fault::Scoped noLocks("sys:flock", ENOLCK, 1, 0);
    Handle first = Open(dir / "f", GENERIC_WRITE, 0, OPEN_EXISTING);
    Handle second = Open(dir / "f", GENERIC_WRITE, 0, OPEN_EXISTING);
    EXPECT_TRUE(first.valid() && second.valid());
}

}  // namespace

namespace {

// A CreateFileW that fails after it made the file removes it again; a file that was there stays.
TEST(ShareModes, AFailedOpenLeavesNoFileItCreated) {
    qlmtest::TempDir dir;
    for (DWORD disposition : {static_cast<DWORD>(CREATE_NEW), static_cast<DWORD>(CREATE_ALWAYS),
                              static_cast<DWORD>(OPEN_ALWAYS)}) {
        platform::fault::Scoped lockFails("sys:flock", EIO, 1, 0);
        EXPECT_FALSE(Open(dir / "new", GENERIC_WRITE, 0, disposition).valid()) << disposition;
        EXPECT_FALSE(std::filesystem::exists(dir / "new")) << disposition;
    }
    qlmtest::WriteText(dir / "old", "data");
    {
        platform::fault::Scoped lockFails("sys:flock", EIO, 1, 0);
        EXPECT_FALSE(Open(dir / "old", GENERIC_WRITE, 0, CREATE_ALWAYS).valid());
    }
    EXPECT_EQ(Text(dir / "old"), "data");
}

}  // namespace
