#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "kernel_test_support.h"

namespace {

using kerneltest::Handle;
using kerneltest::Open;
using kerneltest::Text;

struct DispositionCase {
    const char* name;
    bool exists;
    DWORD disposition;
    DWORD error;          // the last error after the call, success or not
    bool opens;
    const char* content;  // what the file holds afterwards; nullptr: no file
};

void PrintTo(const DispositionCase& c, std::ostream* os) { *os << c.name; }

class Dispositions : public testing::TestWithParam<DispositionCase> {};

TEST_P(Dispositions, OpenCreateOrTruncateAsTheDispositionSays) {
    const DispositionCase& c = GetParam();
    qlmtest::TempDir dir;
    const auto file = dir / "file.txt";
    if (c.exists) qlmtest::WriteText(file, "old");
    SetLastError(12345);
    Handle h = Open(file, GENERIC_WRITE, 0, c.disposition);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(h.valid(), c.opens);
    h.reset();
    if (c.content == nullptr) {
        EXPECT_FALSE(std::filesystem::exists(file));
    } else {
        EXPECT_EQ(Text(file), c.content);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CreateFileW, Dispositions,
    testing::Values(DispositionCase{"CreateNewOnNothing", false, CREATE_NEW, 0, true, ""},
                    DispositionCase{"CreateNewOnAFile", true, CREATE_NEW, ERROR_FILE_EXISTS, false, "old"},
                    DispositionCase{"CreateAlwaysOnNothing", false, CREATE_ALWAYS, 0, true, ""},
                    DispositionCase{"CreateAlwaysOnAFile", true, CREATE_ALWAYS, ERROR_ALREADY_EXISTS, true, ""},
                    DispositionCase{"OpenAlwaysOnNothing", false, OPEN_ALWAYS, 0, true, ""},
                    DispositionCase{"OpenAlwaysOnAFile", true, OPEN_ALWAYS, ERROR_ALREADY_EXISTS, true, "old"},
                    DispositionCase{"OpenExistingOnNothing", false, OPEN_EXISTING, ERROR_FILE_NOT_FOUND, false, nullptr},
                    DispositionCase{"OpenExistingOnAFile", true, OPEN_EXISTING, 0, true, "old"},
                    DispositionCase{"TruncateExistingOnNothing", false, TRUNCATE_EXISTING, ERROR_FILE_NOT_FOUND, false,
                                    nullptr},
                    DispositionCase{"TruncateExistingOnAFile", true, TRUNCATE_EXISTING, 0, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct PathCase {
    const char* name;
    const char* path;  // inside the scratch folder, which holds a file "file.txt" and a folder "sub"
    DWORD access;
    DWORD disposition;
    DWORD error;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class PathErrors : public testing::TestWithParam<PathCase> {};

TEST_P(PathErrors, FailWithTheErrorWindowsGives) {
    const PathCase& c = GetParam();
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "file.txt", "x");
    std::filesystem::create_directory(dir / "sub");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    SetLastError(0);
    EXPECT_EQ(kerneltest::OpenRaw(dir / c.path, c.access, 0, c.disposition), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
}

INSTANTIATE_TEST_SUITE_P(
    CreateFileW, PathErrors,
    testing::Values(PathCase{"MissingFile", "none.txt", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
                    PathCase{"MissingFolder", "none/file.txt", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
                    PathCase{"CreateInAMissingFolder", "none/file.txt", GENERIC_WRITE, CREATE_ALWAYS,
                             ERROR_PATH_NOT_FOUND},
                    PathCase{"AFileTakenAsAFolder", "file.txt/x", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
                    PathCase{"FolderForReading", "sub", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
                    PathCase{"FolderForWriting", "sub", GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
                    PathCase{"FolderReplaced", "sub", GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
                    PathCase{"FifoForReading", "fifo", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
                    PathCase{"FifoForWriting", "fifo", GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CreateFileW, DeviceIsNoFile) {
    EXPECT_EQ(kerneltest::OpenRaw("/dev/null", GENERIC_READ, kerneltest::kShareAll, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(CreateFileW, BackslashIsPartOfTheName) {
    qlmtest::TempDir dir;
    Handle h = Open(dir / "a\\b.txt", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_TRUE(h.valid());
    h.reset();
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"a\\b.txt"});
}

TEST(CreateFileW, NamesThatCannotBeFileNames) {
    qlmtest::TempDir dir;
    std::u16string loneSurrogate = qlmtest::Utf16(dir / "x");
    loneSurrogate.push_back(u'\xD800');
    EXPECT_EQ(CreateFileW(loneSurrogate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_TRUE(dir.Names().empty());

    EXPECT_EQ(CreateFileW(TEXT(""), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(CreateFileW, NonAsciiNamesReachTheFileSystemAsUtf8) {
    qlmtest::TempDir dir;
    Handle h = Open(dir / "r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC.txt", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_TRUE(h.valid());
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC.txt"});
}

TEST(CreateFileW, RefusesWhatItCannotDo) {
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "file.txt", "keep");
    struct {
        DWORD access, share, disposition, flags, error;
    } cases[] = {
        {GENERIC_READ, 0, 0, 0, ERROR_INVALID_PARAMETER},
        {GENERIC_READ, 0, 6, 0, ERROR_INVALID_PARAMETER},
        {GENERIC_READ, 0x10, OPEN_EXISTING, 0, ERROR_INVALID_PARAMETER},
        {GENERIC_READ, 0, TRUNCATE_EXISTING, 0, ERROR_INVALID_PARAMETER},  // truncating needs write access
        {GENERIC_READ, 0, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, ERROR_NOT_SUPPORTED},
        {GENERIC_WRITE, 0, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, ERROR_NOT_SUPPORTED},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kerneltest::OpenRaw(dir / "file.txt", c.access, c.share, c.disposition, c.flags), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error) << c.disposition << " " << c.flags;
    }
    EXPECT_EQ(Text(dir / "file.txt"), "keep");
}

TEST(CreateFileW, NewFilesFollowTheUmask) {
    qlmtest::TempDir dir;
    const mode_t old = umask(022);
    Handle h = Open(dir / "f", GENERIC_WRITE, 0, CREATE_NEW);
    umask(old);
    ASSERT_TRUE(h.valid());
    struct stat st;
    ASSERT_EQ(stat((dir / "f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(CreateFileW, InjectedFailureChangesNothing) {
    qlmtest::TempDir dir;
    platform::fault::Scoped fault("CreateFileW", ERROR_DISK_FULL);
    EXPECT_EQ(kerneltest::OpenRaw(dir / "f", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_TRUE(dir.Names().empty());
}

}  // namespace
