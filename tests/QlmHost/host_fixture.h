#pragma once
// Runs QlmHost against the fake control: registered in a class registry of the test's own, so that
// the host finds it under QlmUI's CLSID, in this process (RunHost) or in a child process (the binary).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry_environment.h"
#include "temp_dir.h"

namespace qlmhost::test {

struct HostRun {
    int code = -1;
    std::string out;
    std::string err;
};

// The program at `program` with `arguments`, its standard output and error captured.
HostRun RunProgram(const std::string& program, const std::vector<std::string>& arguments);

class FakeControlTest : public testing::Test {
protected:
    void SetUp() override;

    // The host in this process, as its main() runs it.
    HostRun Host(const std::vector<std::string>& arguments);
    // The QlmHost binary in a child process.
    HostRun HostProgram(const std::vector<std::string>& arguments);

    comtest::RegistryEnvironment registry_;
    qlmtest::TempDir dir_;
};

}  // namespace qlmhost::test
