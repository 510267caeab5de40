#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "kernel_test_support.h"

namespace {

using kerneltest::Handle;
using kerneltest::Open;
using kerneltest::Text;

BOOL Move(const std::filesystem::path& from, const std::filesystem::path& to, DWORD flags) {
    return MoveFileExW(qlmtest::Utf16(from).c_str(), qlmtest::Utf16(to).c_str(), flags);
}

BOOL Delete(const std::filesystem::path& path) { return DeleteFileW(qlmtest::Utf16(path).c_str()); }

TEST(DeleteFileW, RemovesAFileAndSaysWhyItCannot) {
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "f", "x");
    std::filesystem::create_directory(dir / "sub");
    EXPECT_TRUE(Delete(dir / "f"));
    EXPECT_FALSE(std::filesystem::exists(dir / "f"));

    struct {
        const char* path;
        DWORD error;
    } cases[] = {{"f", ERROR_FILE_NOT_FOUND}, {"none/f", ERROR_PATH_NOT_FOUND}, {"sub", ERROR_ACCESS_DENIED}};
    for (const auto& c : cases) {
        EXPECT_FALSE(Delete(dir / c.path)) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "sub"));
}

TEST(DeleteFileW, AnOpenWithoutShareDeleteKeepsTheFile) {
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "f", "x");
    for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
        Handle h = Open(dir / "f", access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
        ASSERT_TRUE(h.valid());
        EXPECT_FALSE(Delete(dir / "f"));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    Handle sharing = Open(dir / "f", GENERIC_READ, kerneltest::kShareAll, OPEN_EXISTING);
    EXPECT_TRUE(Delete(dir / "f"));
    EXPECT_FALSE(std::filesystem::exists(dir / "f"));
}

TEST(MoveFileExW, ReplacesOnlyWhenAskedTo) {
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "new", "new");
    qlmtest::WriteText(dir / "old", "old");
    EXPECT_FALSE(Move(dir / "new", dir / "old", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Text(dir / "old"), "old");
    EXPECT_EQ(Text(dir / "new"), "new");

    EXPECT_TRUE(Move(dir / "new", dir / "old", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Text(dir / "old"), "new");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"old"});

    EXPECT_TRUE(Move(dir / "old", dir / "renamed", 0));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"renamed"});
}

TEST(MoveFileExW, FailuresLeaveBothNames) {
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "f", "f");
    std::filesystem::create_directory(dir / "sub");
    struct {
        const char* from;
        const char* to;
        DWORD flags;
        DWORD error;
    } cases[] = {
        {"none", "g", 0, ERROR_FILE_NOT_FOUND},
        {"none/f", "g", 0, ERROR_PATH_NOT_FOUND},
        {"f", "none/g", 0, ERROR_PATH_NOT_FOUND},
        {"f", "sub", MOVEFILE_REPLACE_EXISTING, ERROR_ACCESS_DENIED},
        {"f", "g", MOVEFILE_DELAY_UNTIL_REBOOT, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Move(dir / c.from, dir / c.to, c.flags)) << c.from << " -> " << c.to;
        EXPECT_EQ(GetLastError(), c.error) << c.from << " -> " << c.to;
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"f", "sub"}));
}

TEST(MoveFileExW, OpenFilesWithoutShareDeleteStayPut) {
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "source", "source");
    qlmtest::WriteText(dir / "target", "target");
    {
        Handle held = Open(dir / "source", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
        EXPECT_FALSE(Move(dir / "source", dir / "elsewhere", 0));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    {
        Handle held = Open(dir / "target", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
        EXPECT_FALSE(Move(dir / "source", dir / "target", MOVEFILE_REPLACE_EXISTING));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(Text(dir / "target"), "target");
    }
    EXPECT_TRUE(Move(dir / "source", dir / "target", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Text(dir / "target"), "source");
}

TEST(MoveFileExW, WriteThroughSyncsTheFileAndBothFolders) {
    qlmtest::TempDir dir;
    std::filesystem::create_directory(dir / "a");
    std::filesystem::create_directory(dir / "b");
    qlmtest::WriteText(dir / "a" / "f", "data");
    platform::fault::StartCounting();
    EXPECT_TRUE(Move(dir / "a" / "f", dir / "b" / "f", MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(platform::fault::Count("sys:fsync"), 3u);
    platform::fault::StopCounting();
    EXPECT_EQ(Text(dir / "b" / "f"), "data");

    platform::fault::Scoped failing("sys:fsync", EIO);
    EXPECT_FALSE(Move(dir / "b" / "f", dir / "a" / "f", MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_DEVICE));
    EXPECT_TRUE(std::filesystem::exists(dir / "b" / "f")) << "a file that cannot be made durable is not moved";
}

TEST(MoveFileExW, AcrossFileSystemsIsRefused) {
    qlmtest::TempDir dir;
    struct stat here, shm;
    if (stat(dir.path().c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev) {
        GTEST_SKIP() << "needs /dev/shm on a file system of its own";
    }
    qlmtest::WriteText(dir / "f", "f");
    const std::filesystem::path target = "/dev/shm/qlm-kernel-test-" + std::to_string(getpid());
    EXPECT_FALSE(Move(dir / "f", target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(std::filesystem::exists(dir / "f"));
}

}  // namespace

namespace {

BOOL Replace(const std::filesystem::path& replaced, const std::filesystem::path& replacement, DWORD flags) {
    return ReplaceFileW(qlmtest::Utf16(replaced).c_str(), qlmtest::Utf16(replacement).c_str(), nullptr, flags,
                        nullptr, nullptr);
}

TEST(ReplaceFileW, TheReplacementKeepsTheReplacedFilesAccess) {
    qlmtest::TempDir dir;
    for (mode_t mode : {0600, 0640, 0755}) {
        qlmtest::WriteText(dir / "target", "old");
        ::chmod((dir / "target").c_str(), mode);
        qlmtest::WriteText(dir / "new", "new");
        ::chmod((dir / "new").c_str(), 0644);
        ASSERT_TRUE(Replace(dir / "target", dir / "new", REPLACEFILE_WRITE_THROUGH)) << GetLastError();
        EXPECT_EQ(Text(dir / "target"), "new");
        EXPECT_FALSE(std::filesystem::exists(dir / "new"));
        struct stat st;
        ASSERT_EQ(::stat((dir / "target").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
    }
}

TEST(ReplaceFileW, FailuresLeaveTheReplacedFile) {
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "new", "new");
    EXPECT_FALSE(Replace(dir / "missing", dir / "new", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Text(dir / "new"), "new");

    qlmtest::WriteText(dir / "target", "old");
    EXPECT_FALSE(Replace(dir / "target", dir / "gone", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    {
        Handle held = Open(dir / "target", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        EXPECT_FALSE(Replace(dir / "target", dir / "new", 0));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(Text(dir / "target"), "old");
    EXPECT_FALSE(ReplaceFileW(qlmtest::Utf16(dir / "target").c_str(), qlmtest::Utf16(dir / "new").c_str(),
                              u"backup", 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Text(dir / "target"), "old");
}

}  // namespace
