#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "../../../Platform/kernel/kernel_test_support.h"
#include "../../../Platform/storage/storage_test_support.h"
#include "combaseapi.h"
#include "pipelines/StampComments.h"
#include "platform/fault_injection.h"

namespace {

using qlmfile::StampComments;
using storagetest::AttributeNames;
using storagetest::AttributeText;
using storagetest::ComPtr;

class StampCommentsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);  // as lock leaves the thread
        qlmtest::WriteBytes(container_, content_);
    }
    void TearDown() override {
        platform::fault::DisarmAll();
        CoUninitialize();
    }

    HRESULT Stamp(const char* text) { return StampComments(qlmtest::Utf16(container_).c_str(), text); }

    // The Comments property as IPropertyStorage::ReadMultiple gives it.
    std::optional<std::string> ReadBack() {
        ComPtr<IPropertySetStorage> sets;
        ComPtr<IPropertyStorage> props;
        if (storagetest::OpenSets(container_, STGM_READ | STGM_SHARE_EXCLUSIVE, sets) != S_OK) return std::nullopt;
        if (sets->Open(FMTID_SummaryInformation, STGM_READ | STGM_SHARE_EXCLUSIVE, props.GetAddressOf()) != S_OK)
            return std::nullopt;
        return storagetest::ReadComments(props.Get());
    }

    // A run that failed leaves the file as it was: its content, and no attributes of ours.
    void ExpectUntouched() {
        EXPECT_EQ(qlmtest::ReadBytes(container_), content_);
        EXPECT_EQ(AttributeNames(container_), std::vector<std::string>{});
    }

    qlmtest::TempDir dir_;
    std::filesystem::path container_ = dir_ / "report.qlm";
    std::vector<std::uint8_t> content_ = qlmtest::PatternBytes(5000);
};

// What a file manager sees, asked through getfattr from the attr package.
std::optional<std::string> Getfattr(const std::filesystem::path& file) {
    const std::string command = "getfattr --only-values -n user.xdg.comment '" + file.string() + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string out;
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;) out.append(buffer, n);
    return ::pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
}

TEST_F(StampCommentsTest, CommentsShowInTheFileManagerAndReadBack) {
    if (!std::filesystem::exists("/usr/bin/getfattr")) GTEST_SKIP() << "getfattr (package attr) is not installed";
    const char* text = "Protected with Quillmarsh; ask the owner for access";
    ASSERT_EQ(Stamp(text), S_OK);
    EXPECT_EQ(Getfattr(container_), text);
    EXPECT_EQ(ReadBack(), text);
    EXPECT_EQ(qlmtest::ReadBytes(container_), content_);
}

struct Text {
    const char* name;
    std::string text;
};

class StampCommentsText : public StampCommentsTest, public testing::WithParamInterface<Text> {};

TEST_P(StampCommentsText, ReachesThePropertyAndTheMirrorAsGiven) {
    ASSERT_EQ(Stamp(GetParam().text.c_str()), S_OK);
    EXPECT_EQ(ReadBack(), GetParam().text);
    EXPECT_EQ(AttributeText(container_, storagetest::kMirrorAttribute), GetParam().text);
}

const Text kTexts[] = {
    {"Empty", ""},  // also what a null comment text arrives as
    {"Ascii", "token 42"},
    // The thread's ANSI code page is UTF-8 here, so the caller's conversion keeps every character.
    {"Utf8", "R\xC3\xA9sum\xC3\xA9 \xE2\x80\x94 \xE6\x9C\xAC \xF0\x9F\x94\x92"},
    {"Long", std::string(1500, 'c')},
};
INSTANTIATE_TEST_SUITE_P(Texts, StampCommentsText, testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StampCommentsTest, ReplacesTheSummaryInformationTheFileHad) {
    {
        ComPtr<IPropertySetStorage> sets;
        ASSERT_EQ(storagetest::OpenSets(container_, storagetest::kOpenMode, sets), S_OK);
        ComPtr<IPropertyStorage> props;
        ASSERT_EQ(sets->Create(FMTID_SummaryInformation, nullptr, 0, storagetest::kCreateMode, props.GetAddressOf()), S_OK);
        ASSERT_EQ(storagetest::Write(props.Get(), PIDSI_TITLE, storagetest::Ansi("old title")), S_OK);
        ASSERT_EQ(storagetest::Write(props.Get(), PIDSI_COMMENTS, storagetest::Ansi("old comment")), S_OK);
        ASSERT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    }
    ASSERT_EQ(Stamp("new comment"), S_OK);
    EXPECT_EQ(ReadBack(), "new comment");

    ComPtr<IPropertySetStorage> sets;
    ASSERT_EQ(storagetest::OpenSets(container_, storagetest::kOpenMode, sets), S_OK);
    ComPtr<IPropertyStorage> props;
    ASSERT_EQ(sets->Open(FMTID_SummaryInformation, storagetest::kOpenMode, props.GetAddressOf()), S_OK);
    storagetest::ReadValue title;
    storagetest::Read(props.Get(), PIDSI_TITLE, title);
    EXPECT_EQ(title.value.vt, VT_EMPTY);
}

TEST_F(StampCommentsTest, FileOpenElsewhereIsASharingViolation) {
    kerneltest::Handle held = kerneltest::Open(container_, GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_TRUE(held.valid());
    EXPECT_EQ(Stamp("text"), STG_E_SHAREVIOLATION);
    held.reset();
    ExpectUntouched();
}

TEST_F(StampCommentsTest, FileSystemWithoutUserAttributesFailsAtTheOpen) {
    platform::fault::Scoped noAttributes("sys:fgetxattr", ENOTSUP);  // the probe's answer on such a system
    EXPECT_EQ(Stamp("text"), HRESULT_FROM_WIN32(ERROR_EAS_NOT_SUPPORTED));
    ExpectUntouched();
}

TEST_F(StampCommentsTest, FileSystemThatRefusesEveryAttributeWriteFailsAndLeavesNothing) {
    platform::fault::Scoped noWrites("sys:fsetxattr", ENOTSUP, 1, 0);
    EXPECT_EQ(Stamp("text"), HRESULT_FROM_WIN32(ERROR_EAS_NOT_SUPPORTED));
    ExpectUntouched();
}

struct StepFailure {
    const char* name;
    const char* point;
    unsigned commits;  // how often Commit is reached
};

class StampCommentsStep : public StampCommentsTest, public testing::WithParamInterface<StepFailure> {};

TEST_P(StampCommentsStep, EndsWithThatStepsStatus) {
    const StepFailure& c = GetParam();
    platform::fault::StartCounting();
    platform::fault::Arm(c.point, ERROR_WRITE_FAULT);
    EXPECT_EQ(Stamp("text"), HRESULT_FROM_WIN32(ERROR_WRITE_FAULT));
    EXPECT_EQ(platform::fault::Count("IPropertyStorage::Commit"), c.commits);
    platform::fault::StopCounting();
}

const StepFailure kSteps[] = {
    {"Open", "StgOpenStorageEx", 0},
    {"CreateTheSet", "IPropertySetStorage::Create", 0},
    {"WriteTheComments", "IPropertyStorage::WriteMultiple", 0},  // no Commit after a failed write
    {"Commit", "IPropertyStorage::Commit", 1},
};
INSTANTIATE_TEST_SUITE_P(Steps, StampCommentsStep, testing::ValuesIn(kSteps),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StampCommentsTest, EachStepRunsOnceOnSuccess) {
    platform::fault::StartCounting();
    ASSERT_EQ(Stamp("text"), S_OK);
    for (const char* point : {"StgOpenStorageEx", "IPropertySetStorage::Create", "IPropertyStorage::WriteMultiple",
                              "IPropertyStorage::Commit"})
        EXPECT_EQ(platform::fault::Count(point), 1u) << point;
    platform::fault::StopCounting();
    // Everything is released: the file can be opened without sharing again.
    EXPECT_TRUE(kerneltest::Open(container_, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING).valid());
}

}  // namespace
