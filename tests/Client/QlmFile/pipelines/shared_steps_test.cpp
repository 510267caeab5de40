// The steps that lock and unlock share, where they can be shown apart from a whole run.
#include <gtest/gtest.h>

#include "pipelines/FileHandle.h"
#include "pipelines/SharedSteps.h"
#include "temp_dir.h"
#include "windows.h"

namespace {

namespace fs = std::filesystem;

// The pre-size end H5 + C + n is a 64-bit sum also when H5 + C alone passes 4 GiB (a header region
// just below 4 GiB), and the pointer is back at the start afterwards. The file is sparse: it takes no
// space.
TEST(PresizeOutput, ExtendsToTheSixtyFourBitSumAndReturnsToTheStart) {
    qlmtest::TempDir dir;
    const fs::path path = dir / "out";
    qlmfile::FileHandle file(CreateFileW(qlmtest::Utf16(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    ASSERT_EQ(qlmfile::PresizeOutput(file.Get(), 0xFFFFFFF0u, 1920, 5), S_OK);
    LARGE_INTEGER position{};
    ASSERT_TRUE(SetFilePointerEx(file.Get(), LARGE_INTEGER{}, &position, FILE_CURRENT));
    EXPECT_EQ(position.QuadPart, 0);
    file.Reset();
    EXPECT_EQ(fs::file_size(path), 0xFFFFFFF0ull + 1920 + 5);
}

}  // namespace
