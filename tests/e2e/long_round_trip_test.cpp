// A file past 4 GiB through the real program: lock, unlock, and the restored file's hash equals the
// source's. Labelled long: `cmake --workflow --preset long` runs it.
#include <gtest/gtest.h>

#include "qlmfile_process.h"
#include "temp_dir.h"

namespace e2e {
namespace {

TEST(LongRoundTrip, AFilePastFourGiBComesBackWhole) {
    qlmtest::TempDir dir;
    const fs::path store = dir / "engine.db";
    const fs::path source = dir / "large.bin";
    const std::uint64_t n = (std::uint64_t{4} << 30) + 1;
    MakeSparseFile(source, n);
    const std::string sourceHash = StreamHash(source);

    const Finished lock = RunQlmFile("/l", source, store);
    ASSERT_EQ(lock.output, "");
    const fs::path container = dir / "large.qlm";
    const std::vector<std::uint32_t> h = ContainerHeader(container);
    EXPECT_EQ(fs::file_size(container), h[5] + 16 * (n / 16 + 1));

    fs::rename(source, dir / "original.bin");
    const Finished unlock = RunQlmFile("/u", container, store);
    ASSERT_EQ(unlock.output, "");
    EXPECT_EQ(fs::file_size(source), n);
    EXPECT_EQ(StreamHash(source), sourceHash);
}

}  // namespace
}  // namespace e2e
