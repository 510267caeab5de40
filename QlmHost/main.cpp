// QlmHost: hosts the QlmUI control from the command line (see --help).
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ControlHost.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string why;
    const auto options = qlmhost::ParseCommandLine(arguments, why);
    if (!options) {
        std::cerr << "QlmHost: " << why << "\nTry 'QlmHost --help'.\n";
        return qlmhost::kExitUsage;
    }
    return qlmhost::RunHost(*options, std::cout, std::cerr);
}
