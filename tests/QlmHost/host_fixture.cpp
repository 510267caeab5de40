#include "host_fixture.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CommandLine.h"
#include "ControlHost.h"
#include "platform/class_registry.h"

namespace qlmhost::test {
namespace {

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

HostRun RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    qlmtest::TempDir capture;
    std::string command = ShellQuote(program);
    for (const auto& argument : arguments) command += " " + ShellQuote(argument);
    command += " </dev/null >" + ShellQuote((capture / "out").string()) + " 2>" + ShellQuote((capture / "err").string());
    const int status = std::system(command.c_str());
    HostRun run;
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(capture / "out");
    run.err = ReadAll(capture / "err");
    return run;
}

void FakeControlTest::SetUp() {
    registry_.UseTestRegistry();
    ASSERT_EQ(platform::com::RegisterInprocServer(CLSID_QlmUI, QLM_FAKE_CONTROL, "Apartment"), S_OK);
}

HostRun FakeControlTest::Host(const std::vector<std::string>& arguments) {
    HostRun run;
    std::string why;
    const auto options = ParseCommandLine(arguments, why);
    if (!options) {
        run.code = kExitUsage;
        run.err = why;
        return run;
    }
    std::ostringstream out, err;
    run.code = RunHost(*options, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

HostRun FakeControlTest::HostProgram(const std::vector<std::string>& arguments) {
    return RunProgram(QLM_HOST_PROGRAM, arguments);
}

}  // namespace qlmhost::test
