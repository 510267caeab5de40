// qlmregsvr [/u] [--registry DIR] <server.so>: registers (or with /u unregisters) an in-process
// server by calling its DllRegisterServer (DllUnregisterServer), as regsvr32 does.
// Exit codes as regsvr32's: 0 done, 1 bad arguments, 3 the library cannot be loaded, 4 it lacks the
// entry point, 5 the entry point failed.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "combaseapi.h"
#include "platform/class_registry.h"
#include "platform/server_library.h"
#include "platform/utf.h"
#include "winbase.h"
#include "winerror.h"

namespace {

enum ExitCode { kDone = 0, kUsage = 1, kLoadFailed = 3, kNoEntryPoint = 4, kCallFailed = 5 };

struct Arguments {
    bool unregister = false;
    std::filesystem::path registry;
    std::filesystem::path server;
};

bool ParseArguments(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "/u" || arg == "-u" || arg == "/U") {
            args.unregister = true;
        } else if (arg == "--registry" && i + 1 < argc) {
            args.registry = argv[++i];
        } else if (arg.starts_with("--registry=")) {
            args.registry = std::string(arg.substr(11));
        } else if (args.server.empty() && !arg.empty() && arg.front() != '-') {
            args.server = arg;
        } else {
            return false;
        }
    }
    return !args.server.empty();
}

// The system message of an HRESULT, without its closing line break; empty if there is none. A folded
// Win32 error has the text of its error number.
std::string SystemMessage(HRESULT hr) {
    auto lookUp = [](DWORD id) {
        LPWSTR text = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, id, 0,
            reinterpret_cast<LPWSTR>(&text), 0, nullptr);
        std::u16string_view wide(text, length);
        while (!wide.empty() && (wide.back() == u'\n' || wide.back() == u'\r')) wide.remove_suffix(1);
        std::string message = platform::Utf16ToUtf8(wide).value_or("");
        LocalFree(text);
        return message;
    };
    std::string message = lookUp(static_cast<DWORD>(hr));
    if (message.empty() && HRESULT_FACILITY(hr) == FACILITY_WIN32) message = lookUp(HRESULT_CODE(hr));
    return message;
}

int Fail(ExitCode code, const std::string& what, HRESULT hr) {
    std::fprintf(stderr, "qlmregsvr: %s\nReturn code was: 0x%08X. %s\n", what.c_str(), static_cast<unsigned>(hr),
                 SystemMessage(hr).c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!ParseArguments(argc, argv, args)) {
        std::fprintf(stderr, "usage: qlmregsvr [/u] [--registry DIR] <server library>\n");
        return kUsage;
    }
    std::error_code ec;
    const std::filesystem::path server = std::filesystem::absolute(args.server, ec).lexically_normal();
    if (!args.registry.empty()) platform::com::SetRegistrationTarget(std::filesystem::absolute(args.registry, ec));

    void* library = nullptr;
    std::string why;
    if (const HRESULT hr = platform::com::LoadServerLibrary(server.string(), library, &why); FAILED(hr))
        return Fail(kLoadFailed, "the module \"" + server.string() + "\" failed to load (" + why + ").", hr);
    const char* entryName = args.unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto entry = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(library, entryName));
    if (entry == nullptr)
        return Fail(kNoEntryPoint,
                    "the module \"" + server.string() + "\" was loaded but the entry point " + entryName +
                        " was not found.",
                    HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));

    // A server may create objects while it registers, as on Windows under OleInitialize.
    const HRESULT init = CoInitialize(nullptr);
    const HRESULT hr = entry();
    if (SUCCEEDED(init)) CoUninitialize();
    if (FAILED(hr))
        return Fail(kCallFailed, "the module \"" + server.string() + "\" was loaded but the call to " + entryName +
                                     " failed.",
                    hr);
    std::printf("%s in %s succeeded.\n", entryName, server.c_str());
    return kDone;
}
