// QlmFile: a windowless program that locks (/l) or unlocks (/u) one file.
#include "CommandLine.h"
#include "EntryPoint.h"
#include "windows.h"

int main(int argc, char** argv) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::string tail = qlmfile::JoinCommandTail(argc, argv);
    qlmfile::RunCommandTail(instance, tail.c_str(), qlmfile::ProductPipelines());
    return 0;
}
