// QlmFile under a pseudo-terminal with the real terminal presenter: the overwrite question answered
// yes and no, Esc while a large file is locked or unlocked, and a failure's message box.
#include <gtest/gtest.h>

#include <algorithm>

#include "qlmfile_process.h"
#include "temp_dir.h"

namespace e2e {
namespace {

// Large enough that a run is still going when Esc arrives, small enough to be quick: sparse, so that
// only the container takes space, and only as far as it got.
constexpr std::uint64_t kLargeFile = std::uint64_t{512} << 20;

class Terminal : public testing::Test {
protected:
    fs::path Path(std::string_view name) const { return dir_ / name; }
    std::vector<std::uint8_t> Existing(const fs::path& path) {
        std::vector<std::uint8_t> bytes = qlmtest::PatternBytes(333, 17);
        qlmtest::WriteBytes(path, bytes);
        return bytes;
    }
    // Locks report.txt and moves it aside, for the unlock cases.
    void LockAndMoveAside(const fs::path& source) {
        ASSERT_EQ(RunQlmFile("/l", source, store_).output, "");
        fs::rename(source, Path("original"));
    }
    std::vector<std::string> NamesBut(std::initializer_list<const char*> extra) const {
        std::vector<std::string> names = dir_.Names();
        std::erase_if(names, [&](const std::string& n) {
            return n == "engine.db" || std::find(extra.begin(), extra.end(), n) != extra.end();
        });
        return names;
    }

    qlmtest::TempDir dir_;
    fs::path store_ = dir_ / "engine.db";
};

struct Answer {
    const char* name;
    const char* typed;
    bool replaced;
};

class OverwriteQuestion : public Terminal, public testing::WithParamInterface<Answer> {};

TEST_P(OverwriteQuestion, LockReplacesTheContainerOnlyOnYes) {
    qlmtest::WriteBytes(Path("report.txt"), qlmtest::PatternBytes(4000));
    const std::vector<std::uint8_t> existing = Existing(Path("report.qlm"));

    TerminalRun run("/l", Path("report.txt"), store_);
    ASSERT_TRUE(run.WaitFor("Quillmarsh: Overwrite " + Path("report.qlm").string() + "? [y/N]")) << run.Output();
    run.Type(GetParam().typed);
    EXPECT_EQ(run.Finish(), 0);
    if (GetParam().replaced) {
        EXPECT_EQ(fs::file_size(Path("report.qlm")), ContainerHeader(Path("report.qlm"))[5] + 4016u);
    } else {
        EXPECT_EQ(qlmtest::ReadBytes(Path("report.qlm")), existing);
    }
    EXPECT_EQ(NamesBut({}), (std::vector<std::string>{"report.qlm", "report.txt"}));
}

TEST_P(OverwriteQuestion, UnlockReplacesTheRestoredFileOnlyOnYes) {
    const std::vector<std::uint8_t> content = qlmtest::PatternBytes(4000);
    qlmtest::WriteBytes(Path("report.txt"), content);
    LockAndMoveAside(Path("report.txt"));
    const std::vector<std::uint8_t> existing = Existing(Path("report.txt"));

    TerminalRun run("/u", Path("report.qlm"), store_);
    ASSERT_TRUE(run.WaitFor("Quillmarsh: Overwrite " + Path("report.txt").string() + "? [y/N]")) << run.Output();
    run.Type(GetParam().typed);
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_EQ(qlmtest::ReadBytes(Path("report.txt")), GetParam().replaced ? content : existing);
    EXPECT_EQ(NamesBut({}), (std::vector<std::string>{"original", "report.qlm", "report.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Answers, OverwriteQuestion,
                         testing::Values(Answer{"Yes", "y\n", true}, Answer{"YesInFull", "Yes\n", true},
                                         Answer{"No", "n\n", false}, Answer{"JustEnter", "\n", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Esc once the bar line shows: the run stops, nothing is left behind, no message, and a file that
// the user agreed to replace is still as it was.
struct EscapeCase {
    const char* name;
    bool lock;
    bool existingTarget;
};

class EscapeKey : public Terminal, public testing::WithParamInterface<EscapeCase> {};

TEST_P(EscapeKey, StopsALargeRunAndLeavesNothingBehind) {
    const EscapeCase& c = GetParam();
    const fs::path input = Path(c.lock ? "large.bin" : "large.qlm");
    const fs::path target = Path(c.lock ? "large.qlm" : "large.bin");
    if (c.lock) {
        MakeSparseFile(input, kLargeFile);
    } else {
        // A real container of a small file whose payload is then run on, sparse, to a large size: the
        // engine admits it and the chunks decrypt until Esc; its integrity value would never match, but
        // the run is stopped long before it is compared. Locking a large file instead would cost the
        // test most of its time in flushing the container to the disk.
        qlmtest::WriteBytes(target, qlmtest::PatternBytes(100));
        LockAndMoveAside(target);
        fs::resize_file(input, kLargeFile);
    }
    std::vector<std::uint8_t> existing;
    if (c.existingTarget) existing = Existing(target);

    TerminalRun run(c.lock ? "/l" : "/u", input, store_);
    if (c.existingTarget) {
        ASSERT_TRUE(run.WaitFor("? [y/N]")) << run.Output();
        run.Type("y\n");
    }
    ASSERT_TRUE(run.WaitFor("Esc: Cancel")) << run.Output();
    run.Type("\x1b");
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_EQ(run.Output().find("Quillmarsh: ", run.Output().find("Esc: Cancel")), std::string::npos) << run.Output();
    std::vector<std::string> left{input.filename().string()};
    if (c.existingTarget) left.push_back(target.filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(NamesBut({"original"}), left);
    if (c.existingTarget) {
        EXPECT_EQ(qlmtest::ReadBytes(target), existing);
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, EscapeKey,
                         testing::Values(EscapeCase{"Lock", true, false}, EscapeCase{"LockReplacing", true, true},
                                         EscapeCase{"Unlock", false, false},
                                         EscapeCase{"UnlockReplacing", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Terminal, AFailureEndsInOneMessageBox) {
    qlmtest::WriteBytes(Path("broken.qlm"), qlmtest::PatternBytes(10));
    TerminalRun run("/u", Path("broken.qlm"), store_);
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_NE(run.Output().find("Quillmarsh: The file or directory is corrupted and unreadable."), std::string::npos)
        << run.Output();
    EXPECT_EQ(NamesBut({}), std::vector<std::string>{"broken.qlm"});
}

}  // namespace
}  // namespace e2e
