// Round trips through the real program with the local engine: the restored file equals the source
// byte for byte, and the container's size follows its layout (H5 + 16 x (floor(n / 16) + 1)).
#include <gtest/gtest.h>

#include "qlmfile_process.h"
#include "temp_dir.h"

namespace e2e {
namespace {

class RoundTrip : public testing::TestWithParam<std::size_t> {
protected:
    qlmtest::TempDir dir_;
    fs::path store_ = dir_ / "engine.db";
};

TEST_P(RoundTrip, RestoresTheSourceByteForByte) {
    const std::size_t n = GetParam();
    const fs::path source = dir_ / "sample.dat";
    const std::vector<std::uint8_t> content = qlmtest::PatternBytes(n, static_cast<std::uint32_t>(n));
    qlmtest::WriteBytes(source, content);

    const Finished lock = RunQlmFile("/l", source, store_);
    EXPECT_EQ(lock.exitCode, 0);
    EXPECT_EQ(lock.output, "");
    const fs::path container = dir_ / "sample.qlm";
    ASSERT_TRUE(fs::exists(container)) << lock.output;
    const std::vector<std::uint32_t> h = ContainerHeader(container);
    EXPECT_EQ(h[1], 24u);
    EXPECT_EQ(h[2], 24u + 2 * 4);  // ".dat"
    EXPECT_EQ(h[3] - h[2], 16u);   // the local engine's token
    EXPECT_EQ(h[5] - h[4], 20u);
    EXPECT_EQ(fs::file_size(container), h[5] + 16 * (n / 16 + 1));
    EXPECT_EQ(qlmtest::ReadBytes(source), content);

    fs::rename(source, dir_ / "original.dat");
    const Finished unlock = RunQlmFile("/u", container, store_);
    EXPECT_EQ(unlock.exitCode, 0);
    EXPECT_EQ(unlock.output, "");
    EXPECT_EQ(qlmtest::ReadBytes(source), content);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"engine.db", "original.dat", "sample.dat", "sample.qlm"}));
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTrip, testing::Values(0, 1, 1919, 1920, 1921, (1u << 20) + 7));

TEST(Headless, FailuresGoToStandardErrorAndQuestionsAreAnsweredNo) {
    qlmtest::TempDir dir;
    const fs::path store = dir / "engine.db";
    qlmtest::WriteBytes(dir / "report.txt", qlmtest::PatternBytes(100));
    const std::vector<std::uint8_t> existing = qlmtest::PatternBytes(50, 2);
    qlmtest::WriteBytes(dir / "report.qlm", existing);

    // Nobody can answer: the existing container stays, and nothing is shown but the question.
    const Finished lock = RunQlmFile("/l", dir / "report.txt", store);
    EXPECT_EQ(lock.exitCode, 0);
    EXPECT_NE(lock.output.find("Overwrite " + (dir / "report.qlm").string() + "?"), std::string::npos);
    EXPECT_EQ(qlmtest::ReadBytes(dir / "report.qlm"), existing);

    // Fifty bytes that are no container: refused as corrupt, and the message is shown.
    const Finished unlock = RunQlmFile("/u", dir / "report.qlm", store);
    EXPECT_EQ(unlock.exitCode, 0);
    EXPECT_NE(unlock.output.find("The file or directory is corrupted and unreadable."), std::string::npos)
        << unlock.output;
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"report.qlm", "report.txt"}));
}

}  // namespace
}  // namespace e2e
