// Every platform call point of both pipelines failed in turn: each failure ends the run with the
// call's status and leaves the source, the container and an existing target as they were, with no
// temporary file; a call whose failure the run may pass over (a release, the comment stamp, the
// dialog thread's COM) ends in a complete success instead.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>

#include "Status.h"
#include "pipeline_test_support.h"
#include "platform/crypt_objects.h"
#include "platform/fault_injection.h"
#include "platform/sequential_io.h"
#include "platform/win32_errno.h"
#include "winuser.h"

namespace pipelinetest {
namespace {

enum class Expect {
    EveryCallFails,  // every call of this point ends the run with its status
    MayPassOver,     // a call may end the run, or the run may go on and succeed
    MayFailMoved,    // as EveryCallFails, but a failure after the move leaves the complete new target
};

struct Point {
    const char* name;
    DWORD value;  // the Win32 error, or the errno value of a "sys:" point
    Expect expect;
    bool LeavesCryptObjects() const { return std::string_view(name).starts_with("CryptDestroy") || std::string_view(name) == "CryptReleaseContext"; }
    HRESULT Status() const {
        const bool system = std::string_view(name).starts_with("sys:");
        return HRESULT_FROM_WIN32(system ? platform::Win32ErrorFromErrno(static_cast<int>(value)) : value);
    }
};

constexpr DWORD kCryptFailure = static_cast<DWORD>(NTE_FAIL);

const Point kPoints[] = {
    {"CoInitialize", ERROR_ACCESS_DENIED, Expect::MayPassOver},  // the second call is the dialog thread's
    {"CoCreateInstance", ERROR_MOD_NOT_FOUND, Expect::EveryCallFails},
    {"CreateFileW", ERROR_ACCESS_DENIED, Expect::EveryCallFails},
    {"GetFileSize", ERROR_INVALID_HANDLE, Expect::EveryCallFails},
    {"ReadFile", ERROR_READ_FAULT, Expect::EveryCallFails},
    {"WriteFile", ERROR_DISK_FULL, Expect::EveryCallFails},
    {"SetFilePointerEx", ERROR_NEGATIVE_SEEK, Expect::EveryCallFails},
    {"SetEndOfFile", ERROR_DISK_FULL, Expect::EveryCallFails},
    {"FlushFileBuffers", ERROR_WRITE_FAULT, Expect::EveryCallFails},
    {"CloseHandle", ERROR_INVALID_HANDLE, Expect::MayPassOver},
    {"GetTempFileNameW", ERROR_ACCESS_DENIED, Expect::EveryCallFails},
    {"MoveFileExW", ERROR_ACCESS_DENIED, Expect::EveryCallFails},
    {"ReplaceFileW", ERROR_ACCESS_DENIED, Expect::EveryCallFails},
    {"GetVersionExW", ERROR_INVALID_PARAMETER, Expect::EveryCallFails},
    {"MultiByteToWideChar", ERROR_NO_UNICODE_TRANSLATION, Expect::EveryCallFails},
    {"WideCharToMultiByte", ERROR_NO_UNICODE_TRANSLATION, Expect::MayPassOver},  // also the stamp's text
    {"CryptAcquireContextW", kCryptFailure, Expect::EveryCallFails},
    {"CryptCreateHash", kCryptFailure, Expect::EveryCallFails},
    {"CryptHashData", kCryptFailure, Expect::EveryCallFails},
    {"CryptDeriveKey", kCryptFailure, Expect::EveryCallFails},
    {"CryptSetKeyParam", kCryptFailure, Expect::EveryCallFails},
    {"CryptGetKeyParam", kCryptFailure, Expect::EveryCallFails},
    {"CryptSetHashParam", kCryptFailure, Expect::EveryCallFails},
    {"CryptGetHashParam", kCryptFailure, Expect::EveryCallFails},
    {"CryptEncrypt", kCryptFailure, Expect::EveryCallFails},
    {"CryptDecrypt", kCryptFailure, Expect::EveryCallFails},
    {"CryptDestroyHash", kCryptFailure, Expect::MayPassOver},
    {"CryptDestroyKey", kCryptFailure, Expect::MayPassOver},
    {"CryptReleaseContext", kCryptFailure, Expect::MayPassOver},
    {"StgOpenStorageEx", ERROR_NOT_SUPPORTED, Expect::MayPassOver},
    // Underneath: a disk found full when a buffered write goes out, failing reads, syncs and renames.
    {"sys:write", ENOSPC, Expect::EveryCallFails},
    // A read that fails after a short one is the end of the file to the layer: the data are all there.
    {"sys:read", EIO, Expect::MayPassOver},
    // The last sync of a move is the folder's, after the rename: MoveFileExW fails with the new file
    // already in place.
    {"sys:fsync", EIO, Expect::MayFailMoved},
    {"sys:ftruncate", EIO, Expect::EveryCallFails},
    {"sys:rename", EIO, Expect::EveryCallFails},
};

struct Scenario {
    const char* name;
    bool lock;
    bool existingTarget;
};

class FaultInjection : public PipelineTest, public testing::WithParamInterface<Scenario> {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        // A small buffer, so that the buffered writes of a few passes go out more than once.
        platform::SetSequentialBufferSize(4096);
        const fs::path source = MakeSource("report.txt", 5000, 31);
        content_ = qlmtest::ReadBytes(source);
        if (!GetParam().lock) {
            LockedContainer(source);
            fs::remove(source);
        }
        if (GetParam().existingTarget) qlmtest::WriteBytes(Target(), qlmtest::PatternBytes(777, 4));
        for (const std::string& name : dir_.Names()) before_[name] = qlmtest::ReadBytes(Path(name));
        scripted_engine::ResetScript();
    }
    void TearDown() override {
        platform::SetSequentialBufferSize(0);
        PipelineTest::TearDown();
    }

    fs::path Input() const { return Path(GetParam().lock ? "report.txt" : "report.qlm"); }
    fs::path Target() const { return Path(GetParam().lock ? "report.qlm" : "report.txt"); }
    RunResult RunOnce() {
        const Person person = Answering(IDYES);
        return GetParam().lock ? RunLock(Input(), person) : RunUnlock(Input(), person);
    }

    // After a failed run: every file as it was, and nothing else.
    void ExpectAsBefore() {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : before_) {
            names.push_back(name);
            EXPECT_EQ(qlmtest::ReadBytes(Path(name)), bytes) << name;
        }
        EXPECT_EQ(dir_.Names(), names);
    }
    // After a failed run whose move went through: the input as it was, and either nothing else or the
    // complete target.
    void ExpectAsBeforeOrComplete() {
        if (dir_.Names() == std::vector<std::string>{"report.qlm", "report.txt"} &&
            qlmtest::ReadBytes(Target()) != before_[Target().filename().string()])
            ExpectComplete();
        else
            ExpectAsBefore();
    }
    // After a successful run: the input as it was and a complete target beside it.
    void ExpectComplete() {
        EXPECT_EQ(qlmtest::ReadBytes(Input()), before_[Input().filename().string()]);
        if (GetParam().lock)
            EXPECT_EQ(fs::file_size(Target()), HeaderOf(Target()).PayloadOffset() + 5008u);
        else
            EXPECT_EQ(qlmtest::ReadBytes(Target()), content_);
        EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"report.qlm", "report.txt"}));
    }
    void Restore() {
        for (const std::string& name : dir_.Names())
            if (!before_.contains(name)) fs::remove(Path(name));
        for (const auto& [name, bytes] : before_) qlmtest::WriteBytes(Path(name), bytes);
    }

    std::vector<std::uint8_t> content_;
    std::map<std::string, std::vector<std::uint8_t>> before_;
};

TEST_P(FaultInjection, EachCallThatFailsEndsTheRunCleanly) {
    platform::fault::StartCounting();
    const RunResult clean = RunOnce();
    std::map<std::string, unsigned> counts;
    for (const Point& point : kPoints) counts[point.name] = platform::fault::Count(point.name);
    platform::fault::StopCounting();
    ASSERT_EQ(clean.status, S_OK);
    ExpectComplete();
    Restore();

    unsigned failedRuns = 0;
    for (const Point& point : kPoints) {
        for (unsigned nth = 1; nth <= counts[point.name]; ++nth) {
            SCOPED_TRACE(testing::Message() << point.name << " call " << nth << " of " << counts[point.name]);
            const platform::crypt::LiveObjects live = platform::crypt::CountLiveObjects();
            platform::fault::Arm(point.name, point.value, nth);
            const RunResult run = RunOnce();
            platform::fault::DisarmAll();

            if (run.status == S_OK && point.expect == Expect::MayPassOver) {
                ExpectComplete();
            } else {
                EXPECT_EQ(run.status, point.Status());
                if (point.expect == Expect::MayFailMoved)
                    ExpectAsBeforeOrComplete();
                else
                    ExpectAsBefore();
                ++failedRuns;
            }
            // A failure is reported by the entry point, never by the run itself: at most the question.
            EXPECT_LE(run.boxes.size(), 1u);
            for (const auto& box : run.boxes) EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONWARNING | MB_YESNO));
            EXPECT_EQ(scripted_engine::RecordedCalls().liveEngines, 0);
            if (!point.LeavesCryptObjects()) {
                EXPECT_EQ(platform::crypt::CountLiveObjects(), live);
            }
            Restore();
        }
    }
    EXPECT_GT(failedRuns, 50u);
}

INSTANTIATE_TEST_SUITE_P(Runs, FaultInjection,
                         testing::Values(Scenario{"LockNewContainer", true, false},
                                         Scenario{"LockReplacingAContainer", true, true},
                                         Scenario{"UnlockNewFile", false, false},
                                         Scenario{"UnlockReplacingAFile", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pipelinetest
