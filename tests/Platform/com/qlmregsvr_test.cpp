#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

#include "platform/class_registry.h"
#include "platform/guid.h"
#include "registry_environment.h"
#include "temp_dir.h"
#include "test_counter.h"

namespace {

namespace com = platform::com;

struct CommandRun {
    int exitCode;
    std::string output;  // standard output and error together
};

CommandRun Regsvr(const std::string& arguments) {
    qlmtest::TempDir dir;
    const std::string command = std::string(QLM_REGSVR) + " " + arguments + " >" + (dir / "out").string() + " 2>&1";
    const int status = std::system(command.c_str());
    const auto bytes = qlmtest::ReadBytes(dir / "out");
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(bytes.begin(), bytes.end())};
}

class QlmRegsvrTest : public testing::Test {
protected:
    std::filesystem::path EntryIn(const std::filesystem::path& folder) const {
        return folder / com::GuidToString(CLSID_TestCounter);
    }
    comtest::RegistryEnvironment env_;
    qlmtest::TempDir registry_;
};

TEST_F(QlmRegsvrTest, RegistersIntoTheChosenFolderAndUnregisters) {
    CommandRun run = Regsvr("--registry " + registry_.path().string() + " " QLM_TEST_SERVER);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("DllRegisterServer in " QLM_TEST_SERVER " succeeded."), std::string::npos) << run.output;
    const auto bytes = qlmtest::ReadBytes(EntryIn(registry_.path()));
    auto entry = com::RegistryEntry::Parse(std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Get(com::kInprocServer32), QLM_TEST_SERVER);
    EXPECT_EQ(entry->Get(com::kThreadingModel), "Both");
    EXPECT_FALSE(std::filesystem::exists(EntryIn(env_.UserRegistry())));

    run = Regsvr("/u --registry " + registry_.path().string() + " " QLM_TEST_SERVER);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_FALSE(std::filesystem::exists(EntryIn(registry_.path())));
}

TEST_F(QlmRegsvrTest, WithoutAFolderRegistersForTheUserOrTheTestFolder) {
    CommandRun run = Regsvr(QLM_TEST_SERVER);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(EntryIn(env_.UserRegistry())));

    const auto tests = env_.UseTestRegistry();
    run = Regsvr(QLM_TEST_SERVER);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(EntryIn(tests)));
}

TEST_F(QlmRegsvrTest, FailuresReportTheResultWithItsMessageAndExitNonZero) {
    qlmtest::WriteText(registry_ / "file", "");
    struct Case {
        std::string arguments;
        int exitCode;
        const char* report;
    } cases[] = {
        {(registry_ / "libgone.so").string(), 3, "0x8007007E. The specified module could not be found."},
        {QLM_PLATFORM_BASE, 4, "0x8007007F. The specified procedure could not be found."},
        {"--registry " + (registry_ / "file" / "com").string() + " " QLM_TEST_SERVER, 5,
         "0x80070003. The system cannot find the path specified."},
    };
    for (const Case& c : cases) {
        const CommandRun run = Regsvr(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.report), std::string::npos) << run.output;
    }
}

TEST_F(QlmRegsvrTest, WrongArgumentsShowUsage) {
    for (const char* arguments : {"", "--registry", "/x " QLM_TEST_SERVER, "a.so b.so"}) {
        const CommandRun run = Regsvr(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_NE(run.output.find("usage: qlmregsvr"), std::string::npos) << run.output;
    }
}

}  // namespace
