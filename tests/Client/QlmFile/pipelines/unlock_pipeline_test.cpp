// The unlock pipeline in-process with the scripted engine: round trips and the names they restore,
// the bar, the overwrite question, the engine's answers, Cancel, and what reaches the engine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Status.h"
#include "pipeline_test_support.h"
#include "platform/crypt_objects.h"
#include "winuser.h"

namespace pipelinetest {
namespace {

using scripted_engine::CurrentScript;
using scripted_engine::RecordedCalls;

class UnlockTest : public PipelineTest {
protected:
    // report.txt locked into report.qlm, and the original moved aside.
    void SetUp() override {
        PipelineTest::SetUp();
        content_ = qlmtest::PatternBytes(5000, 11);
        qlmtest::WriteBytes(restored_, content_);
        ASSERT_EQ(RunLock(restored_).status, S_OK);
        fs::remove(restored_);
        containerBytes_ = qlmtest::ReadBytes(container_);
        scripted_engine::ResetScript();
    }
    void ExpectContainerKept() { EXPECT_EQ(qlmtest::ReadBytes(container_), containerBytes_); }
    void ExpectNothingLeft() {
        ExpectContainerKept();
        EXPECT_EQ(dir_.Names(), std::vector<std::string>{"report.qlm"});
        EXPECT_EQ(RecordedCalls().liveEngines, 0);
        EXPECT_EQ(platform::crypt::CountLiveObjects(), platform::crypt::LiveObjects{});
    }

    fs::path container_ = Path("report.qlm");
    fs::path restored_ = Path("report.txt");
    std::vector<std::uint8_t> content_;
    std::vector<std::uint8_t> containerBytes_;
};

TEST_F(UnlockTest, RestoresTheSourceAndDrivesTheBar) {
    const RunResult run = RunUnlock(container_);
    ASSERT_EQ(run.status, S_OK);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(qlmtest::ReadBytes(restored_), content_);
    ExpectContainerKept();
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"report.qlm", "report.txt"}));
    EXPECT_EQ(RecordedCalls().unlock, 1);
    EXPECT_EQ(RecordedCalls().liveEngines, 0);
    EXPECT_EQ(platform::crypt::CountLiveObjects(), platform::crypt::LiveObjects{});

    // 1 and 2 before the chunks; per chunk 5 + 200 x (H5 + bytes read) / container size, truncated;
    // 206 and 207 after verifying; 210 at the end.
    const double h5 = HeaderOf(container_).PayloadOffset();
    const double size = static_cast<double>(containerBytes_.size());
    std::vector<int> expected{0, 1, 2};
    for (double done : {h5 + 1920, h5 + 3840, h5 + 5008}) expected.push_back(5 + static_cast<int>(200 * done / size));
    expected.insert(expected.end(), {206, 207, 210});
    EXPECT_EQ(run.bar, expected);
    EXPECT_EQ(expected[5], 205);
}

TEST_F(UnlockTest, GivesTheEngineTheRebuiltTokenTextAndTheComment) {
    ASSERT_EQ(RunUnlock(container_).status, S_OK);
    EXPECT_EQ(RecordedCalls().token, scripted_engine::kTokenText);
    EXPECT_EQ(RecordedCalls().comment, std::u16string(scripted_engine::kCommentText));
}

class UnlockOverwrite : public UnlockTest, public testing::WithParamInterface<OverwriteCase> {};

TEST_P(UnlockOverwrite, AsksBeforeTheEngineAndReplacesOnlyOnYes) {
    const OverwriteCase& c = GetParam();
    const std::vector<std::uint8_t> existing = qlmtest::PatternBytes(9000, 5);
    qlmtest::WriteBytes(restored_, existing);
    CurrentScript().unlockStatus = c.engineStatus;

    const RunResult run = RunUnlock(container_, Answering(c.answer));
    EXPECT_EQ(run.status, c.expectedStatus);
    ExpectOverwriteQuestion(run, restored_);
    EXPECT_EQ(RecordedCalls().unlock, c.engineCalls);
    EXPECT_EQ(qlmtest::ReadBytes(restored_), c.replaced ? content_ : existing);
    ExpectContainerKept();
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"report.qlm", "report.txt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UnlockOverwrite,
    testing::ValuesIn(OverwriteCases(qlmfile::QLM_E_EXPIRED)),
    [](const auto& info) { return std::string(info.param.name); });

// Replacing a private file must not leave a readable one: the restored file takes over the
// permissions of the file it replaces; a new one gets the usual ones.
TEST_F(UnlockTest, AReplacedFileKeepsItsPermissions) {
    qlmtest::WriteBytes(restored_, qlmtest::PatternBytes(10, 5));
    ASSERT_EQ(::chmod(restored_.c_str(), 0600), 0);
    ASSERT_EQ(RunUnlock(container_, Answering(IDYES)).status, S_OK);
    EXPECT_EQ(qlmtest::ReadBytes(restored_), content_);
    EXPECT_EQ(fs::status(restored_).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::remove(restored_);
    const mode_t mask = ::umask(022);
    ASSERT_EQ(RunUnlock(container_).status, S_OK);
    ::umask(mask);
    EXPECT_EQ(fs::status(restored_).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

struct EngineCase {
    const char* name;
    HRESULT unlockStatus;
    std::optional<std::u16string> keyText;
    HRESULT expectedStatus;
};

class UnlockEngineAnswer : public UnlockTest, public testing::WithParamInterface<EngineCase> {};

TEST_P(UnlockEngineAnswer, EndsWithItsStatusAndRestoresNothing) {
    const EngineCase& c = GetParam();
    CurrentScript().unlockStatus = c.unlockStatus;
    CurrentScript().unlockKeyText = c.keyText;
    const RunResult run = RunUnlock(container_);
    EXPECT_EQ(run.status, c.expectedStatus);
    EXPECT_TRUE(run.boxes.empty());
    ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UnlockEngineAnswer,
    testing::Values(
        EngineCase{"Refuses", qlmfile::QLM_E_NOT_YET, scripted_engine::kKeyText, qlmfile::QLM_E_NOT_YET},
        EngineCase{"SucceedsWithoutKey", S_FALSE, std::nullopt, S_FALSE},
        EngineCase{"EmptyKeyText", S_OK, u"", qlmfile::QLM_E_EMPTY_KEY},
        // Another key: the integrity value cannot match, and no plaintext of the wrong key is kept.
        EngineCase{"AnotherKey", S_OK, u"XhKBMg35G9ClLOsEHBGn7c7R8PyFXzaFqzbkYCBzhek=", qlmfile::QLM_E_INTEGRITY}),
    [](const auto& info) { return std::string(info.param.name); });

class UnlockCancel : public UnlockTest, public testing::WithParamInterface<bool> {};

TEST_P(UnlockCancel, AfterTheFinalChunkDeletesTheRestoredFileAndKeepsAnExistingOne) {
    const bool existing = GetParam();
    const std::vector<std::uint8_t> old = qlmtest::PatternBytes(100, 8);
    if (existing) qlmtest::WriteBytes(restored_, old);
    const RunResult run = RunUnlock(container_, AnsweringAndCancellingAt(IDYES, 205));
    EXPECT_EQ(run.status, S_OK);
    EXPECT_EQ(run.bar.back(), 205);
    if (existing) {
        EXPECT_EQ(qlmtest::ReadBytes(restored_), old);
        fs::remove(restored_);
    }
    ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(Targets, UnlockCancel, testing::Bool());

// How containers and restored files are named, through both pipelines: "/" and "\" separate folders,
// a dot in a folder's name is no extension, only the last extension is replaced, and a container's
// own name need not end in ".qlm".
struct NamingCase {
    const char* source;
    const char* container;
    const char16_t* extensionText;
    const char* renamedContainer;  // the container moved here before unlocking, or null
    const char* restored;
};

class Naming : public PipelineTest, public testing::WithParamInterface<NamingCase> {};

TEST_P(Naming, LocksBesideTheSourceAndRestoresBesideTheContainer) {
    const NamingCase& c = GetParam();
    fs::create_directories(Path("old.files"));
    const fs::path source = MakeSource(c.source, 2000);
    const std::vector<std::uint8_t> content = qlmtest::ReadBytes(source);

    ASSERT_EQ(RunLock(source).status, S_OK);
    fs::path container = Path(c.container);
    ASSERT_TRUE(fs::exists(container));
    const qlmfile::ContainerHeader header = HeaderOf(container);
    EXPECT_EQ(BytesAt(container, 24, header.ExtensionBytes()), Utf16LeBytes(c.extensionText));
    fs::remove(source);
    if (c.renamedContainer != nullptr) {
        fs::rename(container, Path(c.renamedContainer));
        container = Path(c.renamedContainer);
    }

    ASSERT_EQ(RunUnlock(container).status, S_OK);
    EXPECT_EQ(qlmtest::ReadBytes(Path(c.restored)), content);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Naming,
    testing::Values(NamingCase{"report.txt", "report.qlm", u".txt", nullptr, "report.txt"},
                    NamingCase{"README", "README.qlm", u"", nullptr, "README"},
                    NamingCase{"old.files/notes", "old.files/notes.qlm", u"", nullptr, "old.files/notes"},
                    NamingCase{"archive.tar.gz", "archive.tar.qlm", u".gz", nullptr, "archive.tar.gz"},
                    NamingCase{"report.txt", "report.qlm", u".txt", "report.bin", "report.txt"},
                    NamingCase{"old.files/report.txt", "old.files/report.qlm", u".txt", "old.files/report",
                               "old.files/report.txt"},
                    // "\" is an ordinary character of a file name here, but it still ends the part
                    // of the name that an extension is looked for in.
                    NamingCase{"d.x\\notes", "d.x\\notes.qlm", u"", nullptr, "d.x\\notes"}));

TEST_F(PipelineTest, AContainerThatWouldRestoreOntoItselfIsASharingViolationAndChangesNothing) {
    // README locks into README.qlm with no extension text; renamed README, it names itself.
    const fs::path source = MakeSource("README", 700);
    const fs::path container = LockedContainer(source);
    fs::rename(container, source);
    const std::vector<std::uint8_t> containerBytes = qlmtest::ReadBytes(source);

    const RunResult run = RunUnlock(source, Answering(IDYES));
    EXPECT_EQ(run.status, HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
    ExpectOverwriteQuestion(run, source);
    EXPECT_EQ(qlmtest::ReadBytes(source), containerBytes);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"README"});
}

// The user agreed to replace the output, and it went away while the engine was asked (a login can
// take a while): both pipelines make it anew, as opening it to be replaced would, and a run that is
// then cancelled leaves nothing of it.
struct VanishedCase {
    const char* name;
    bool lock;
    bool cancel;
};

class VanishedTarget : public PipelineTest, public testing::WithParamInterface<VanishedCase> {};

TEST_P(VanishedTarget, IsMadeAnewAndLeftAbsentOnCancel) {
    const VanishedCase& c = GetParam();
    const fs::path source = MakeSource("report.txt", 5000);
    const std::vector<std::uint8_t> content = qlmtest::ReadBytes(source);
    fs::path input = source;
    fs::path target = Path("report.qlm");
    if (c.lock) {
        qlmtest::WriteBytes(target, qlmtest::PatternBytes(300, 2));
    } else {
        input = LockedContainer(source);  // the source is the restored file that exists already
        target = source;
        scripted_engine::ResetScript();
    }
    CurrentScript().whileAsked = [target] { fs::remove(target); };

    const Person person = c.cancel ? AnsweringAndCancellingAt(IDYES, 205) : Answering(IDYES);
    const RunResult run = c.lock ? RunLock(input, person) : RunUnlock(input, person);
    EXPECT_EQ(run.status, S_OK);
    ExpectOverwriteQuestion(run, target);
    if (c.cancel) {
        EXPECT_EQ(dir_.Names(), std::vector<std::string>{input.filename().string()});
        return;
    }
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"report.qlm", "report.txt"}));
    if (c.lock)
        EXPECT_EQ(fs::file_size(target), HeaderOf(target).PayloadOffset() + 5008u);
    else
        EXPECT_EQ(qlmtest::ReadBytes(target), content);
}

INSTANTIATE_TEST_SUITE_P(Runs, VanishedTarget,
                         testing::Values(VanishedCase{"Lock", true, false}, VanishedCase{"LockCancelled", true, true},
                                         VanishedCase{"Unlock", false, false},
                                         VanishedCase{"UnlockCancelled", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pipelinetest
