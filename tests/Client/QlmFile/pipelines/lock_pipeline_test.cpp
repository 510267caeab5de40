// The lock pipeline in-process with the scripted engine: the container it writes (against known
// answers), the bar, the overwrite question, the engine's answers, Cancel and the comment stamp.
#include <gtest/gtest.h>

#include "Status.h"
#include "pipeline_test_support.h"
#include "platform/crypt_objects.h"
#include "platform/fault_injection.h"
#include "winuser.h"

namespace pipelinetest {
namespace {

using scripted_engine::CurrentScript;
using scripted_engine::RecordedCalls;

// Source bytes i % 251: simple enough to make with any tool.
std::vector<std::uint8_t> CountingBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    return bytes;
}

std::vector<std::uint8_t> TokenBytes() {
    std::vector<std::uint8_t> token;
    for (int i = 16; i < 32; ++i) token.push_back(static_cast<std::uint8_t>(i));
    return token;
}

class LockTest : public PipelineTest {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        source_ = Path("report.txt");
        container_ = Path("report.qlm");
    }
    void ExpectSourceKept(const std::vector<std::uint8_t>& content) { EXPECT_EQ(qlmtest::ReadBytes(source_), content); }
    void ExpectNothingLeft() {
        EXPECT_EQ(dir_.Names(), std::vector<std::string>{"report.txt"});
        EXPECT_EQ(RecordedCalls().liveEngines, 0);
        EXPECT_EQ(platform::crypt::CountLiveObjects(), platform::crypt::LiveObjects{});
    }

    fs::path source_;
    fs::path container_;
};

// Known answers for the scripted engine's texts (the cipher key, IV and integrity key that the crypto
// tests list for them), computed with the openssl command line for the source bytes i % 251:
//   python3 -c "import sys; sys.stdout.buffer.write(bytes(i % 251 for i in range(N)))" > src
//   openssl enc -aes-256-cbc -K 076287edfad75027c3cdf0c7c6be7cc270df2cbac4a7af530eeff3cc475024ab
//       -iv 3141c350f285036e34e39d486bbef6b8 -in src -out payload     (one command)
//   openssl dgst -sha1 -mac HMAC -macopt hexkey:ae5bd8efea5322c4d9986d06680a7813 -r payload
//   xxd -p -l 16 payload
// The integrity value covers the whole payload, so matching it shows every payload byte right.
struct KnownContainer {
    std::size_t sourceSize;
    std::size_t payloadSize;
    const char* integrityValue;
    const char* firstBlock;
    std::vector<int> bar;
};

class LockKnownAnswer : public LockTest, public testing::WithParamInterface<KnownContainer> {};

TEST_P(LockKnownAnswer, WritesTheContainerByteForByte) {
    const KnownContainer& known = GetParam();
    const std::vector<std::uint8_t> content = CountingBytes(known.sourceSize);
    qlmtest::WriteBytes(source_, content);

    const RunResult run = RunLock(source_);
    ASSERT_EQ(run.status, S_OK);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.bar, known.bar);

    const std::u16string comment = scripted_engine::kCommentText;
    const DWORD h4 = 48 + 2 * static_cast<DWORD>(comment.size());
    const qlmfile::ContainerHeader header = HeaderOf(container_);
    EXPECT_EQ(header.h, (std::array<DWORD, 6>{0, 24, 32, 48, h4, h4 + 20}));
    EXPECT_EQ(BytesAt(container_, 24, 8), Utf16LeBytes(u".txt"));
    EXPECT_EQ(BytesAt(container_, 32, 16), TokenBytes());
    EXPECT_EQ(BytesAt(container_, 48, 2 * comment.size()), Utf16LeBytes(comment));
    EXPECT_EQ(Hex(BytesAt(container_, h4, 20)), known.integrityValue);
    EXPECT_EQ(Hex(BytesAt(container_, h4 + 20, 16)), known.firstBlock);
    EXPECT_EQ(fs::file_size(container_), h4 + 20 + known.payloadSize);

    EXPECT_EQ(CommentsOf(container_), "Locked for the pipeline tests");
    ExpectSourceKept(content);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"report.qlm", "report.txt"}));
    EXPECT_EQ(RecordedCalls().lock, 1);
    EXPECT_EQ(RecordedCalls().liveEngines, 0);
    EXPECT_EQ(platform::crypt::CountLiveObjects(), platform::crypt::LiveObjects{});
}

// Bars: 0 from the dialog's range, 1 after pre-sizing, 2 after the header, 5 + 200 x read / n per pass,
// then three steps and 210. An empty source stands at 5 during its one pass, so its steps go to 6, 7
// and 8; a source of exactly C bytes has a final pass of 0 bytes that repeats 205.
INSTANTIATE_TEST_SUITE_P(
    Sources, LockKnownAnswer,
    testing::Values(
        KnownContainer{0, 16, "020b62be19d3d6c41d9d9513adfaf5a2288cea9b", "2e123125fe447f89626fbc2ac8447a47",
                       {0, 1, 2, 5, 6, 7, 8, 210}},
        KnownContainer{40, 48, "6059aefdd9c7d351e062f410aabca37840efc07c", "c2a280f8b9349ac0a305a9cdc02186f4",
                       {0, 1, 2, 205, 206, 207, 208, 210}},
        KnownContainer{1920, 1936, "253084d396fc800c6214a15e3652ad7e0d4d6e5d", "c2a280f8b9349ac0a305a9cdc02186f4",
                       {0, 1, 2, 205, 206, 207, 208, 210}},
        KnownContainer{3841, 3856, "53d0293764c92a51c357d50529b4e5d032f5b459", "c2a280f8b9349ac0a305a9cdc02186f4",
                       {0, 1, 2, 104, 204, 205, 206, 207, 208, 210}}));

class LockOverwrite : public LockTest, public testing::WithParamInterface<OverwriteCase> {};

TEST_P(LockOverwrite, AsksBeforeTheEngineAndReplacesOnlyOnYes) {
    const OverwriteCase& c = GetParam();
    const std::vector<std::uint8_t> content = CountingBytes(5000);
    qlmtest::WriteBytes(source_, content);
    const std::vector<std::uint8_t> existing = qlmtest::PatternBytes(3000, 99);
    qlmtest::WriteBytes(container_, existing);
    CurrentScript().lockStatus = c.engineStatus;

    const RunResult run = RunLock(source_, Answering(c.answer));
    EXPECT_EQ(run.status, c.expectedStatus);
    ExpectOverwriteQuestion(run, container_);
    EXPECT_EQ(RecordedCalls().lock, c.engineCalls);
    if (c.replaced) {
        EXPECT_EQ(fs::file_size(container_), HeaderOf(container_).PayloadOffset() + 5008u);
    } else {
        EXPECT_EQ(qlmtest::ReadBytes(container_), existing);
    }
    ExpectSourceKept(content);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"report.qlm", "report.txt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, LockOverwrite,
    testing::ValuesIn(OverwriteCases(qlmfile::QLM_E_LOGIN)),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LockTest, LockingAContainerOntoItselfIsASharingViolationAndChangesNothing) {
    // report.qlm's container path is report.qlm: the file being read cannot be opened for replacement.
    const std::vector<std::uint8_t> content = qlmtest::PatternBytes(4000);
    qlmtest::WriteBytes(container_, content);
    const RunResult run = RunLock(container_, Answering(IDYES));
    EXPECT_EQ(run.status, HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(qlmtest::ReadBytes(container_), content);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"report.qlm"});
}

// What the engine hands out, and what becomes of the run and of its container.
struct EngineCase {
    const char* name;
    HRESULT lockStatus;
    std::optional<std::u16string> keyText;
    std::optional<std::u16string> tokenText;
    HRESULT expectedStatus;
};

class LockEngineAnswer : public LockTest, public testing::WithParamInterface<EngineCase> {};

TEST_P(LockEngineAnswer, EndsWithItsStatusAndLeavesNoContainer) {
    const EngineCase& c = GetParam();
    const std::vector<std::uint8_t> content = CountingBytes(100);
    qlmtest::WriteBytes(source_, content);
    CurrentScript().lockStatus = c.lockStatus;
    CurrentScript().keyText = c.keyText;
    CurrentScript().tokenText = c.tokenText;

    const RunResult run = RunLock(source_);
    EXPECT_EQ(run.status, c.expectedStatus);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_FALSE(run.dialogShown);
    ExpectSourceKept(content);
    ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, LockEngineAnswer,
    testing::Values(
        EngineCase{"Refuses", qlmfile::QLM_E_LOGIN, scripted_engine::kKeyText, scripted_engine::kTokenText,
                   qlmfile::QLM_E_LOGIN},
        EngineCase{"SucceedsWithoutKey", S_OK, std::nullopt, scripted_engine::kTokenText, S_OK},
        EngineCase{"SucceedsWithoutToken", S_FALSE, scripted_engine::kKeyText, std::nullopt, S_FALSE},
        // The Part leaves an empty container behind in these two; the staged output leaves nothing.
        EngineCase{"EmptyTokenText", S_OK, scripted_engine::kKeyText, u"", E_FAIL},
        EngineCase{"EmptyKeyText", S_OK, u"", scripted_engine::kTokenText, qlmfile::QLM_E_EMPTY_KEY}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LockTest, TokenWithoutBytesGivesAnEmptyTokenSectionThatUnlockRefuses) {
    MakeSource("report.txt", 100);
    CurrentScript().tokenText = u"====";
    CurrentScript().commentText = std::nullopt;  // taken as empty: H4 = H3
    ASSERT_EQ(RunLock(source_).status, S_OK);
    EXPECT_EQ(HeaderOf(container_).h, (std::array<DWORD, 6>{0, 24, 32, 32, 32, 52}));
    EXPECT_EQ(CommentsOf(container_), "");
    fs::remove(source_);
    EXPECT_EQ(RunUnlock(container_).status, qlmfile::QLM_E_CORRUPT_CONTAINER);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"report.qlm"});
}

// Cancel is looked at after every pass: during the first of three, and after the final one.
class LockCancel : public LockTest, public testing::WithParamInterface<int> {};

TEST_P(LockCancel, DeletesTheContainerAndKeepsAnExistingOne) {
    const std::vector<std::uint8_t> content = CountingBytes(3841);
    qlmtest::WriteBytes(source_, content);
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "existing container" : "new container");
        const std::vector<std::uint8_t> old = qlmtest::PatternBytes(700, 3);
        if (existing) qlmtest::WriteBytes(container_, old);
        const RunResult run = RunLock(source_, AnsweringAndCancellingAt(IDYES, GetParam()));
        EXPECT_EQ(run.status, S_OK);
        EXPECT_EQ(run.boxes.size(), existing ? 1u : 0u);
        EXPECT_EQ(run.bar.back(), GetParam());
        ExpectSourceKept(content);
        if (existing) {
            EXPECT_EQ(qlmtest::ReadBytes(container_), old);
            fs::remove(container_);
        }
        ExpectNothingLeft();
    }
}

INSTANTIATE_TEST_SUITE_P(Passes, LockCancel, testing::Values(104, 205));

TEST_F(LockTest, AStampThatFailsLeavesTheLockSuccessful) {
    MakeSource("report.txt", 2500);
    platform::fault::Scoped noPropertySets("StgOpenStorageEx", ERROR_NOT_SUPPORTED);
    const RunResult run = RunLock(source_);
    EXPECT_EQ(run.status, S_OK);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(CommentsOf(container_), std::nullopt);
    EXPECT_EQ(fs::file_size(container_), HeaderOf(container_).PayloadOffset() + 2512u);
}

}  // namespace
}  // namespace pipelinetest
