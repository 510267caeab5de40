#include "EntryPoint.h"

#include <string>

#include "CommandLine.h"
#include "ProcessState.h"
#include "StatusMessage.h"
#include "pipelines/LockPipeline.h"
#include "pipelines/UnlockPipeline.h"
#include "windows.h"

namespace qlmfile {
namespace {

// The path as UTF-16 from the ANSI code page: one call to measure, one to convert. When either
// call fails, the status is its last error folded (0 if the system left none) and no operation runs.
bool ConvertPath(const std::string& ansiPath, std::u16string& widePath, HRESULT& status) {
    const int needed = MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, nullptr, 0);
    if (needed != 0) {
        widePath.assign(static_cast<std::size_t>(needed), u'\0');
        if (MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, widePath.data(), needed) != 0) return true;
    }
    status = HRESULT_FROM_WIN32(GetLastError());
    return false;
}

}  // namespace

Pipelines ProductPipelines() { return {LockPipeline, UnlockPipeline}; }

void ReportStatus(HRESULT status) {
    if (status >= 0) return;
    const std::u16string text = StatusMessage(status);
    MessageBoxW(nullptr, text.c_str(), TEXT("Quillmarsh"), MB_ICONWARNING | MB_OK);
}

HRESULT RunCommandTail(HINSTANCE instance, const char* commandTail, const Pipelines& pipelines) {
    ProcessState& process = Process();
    process.instance = instance;
    const std::string tail = commandTail != nullptr ? commandTail : "";

    HRESULT status = S_OK;
    const ParsedCommand command = ParseCommandTail(tail);
    if (FAILED(command.status)) {
        status = command.status;
    } else {
        // A ready event that cannot be created is not looked at: the operation's wait for it then
        // fails at once, and its progress messages go nowhere until the dialog has made its bar.
        process.readyEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        std::u16string path;
        if (ConvertPath(command.path, path, status)) {
            status = command.operation == Operation::Lock ? pipelines.lock(path.c_str())
                                                          : pipelines.unlock(path.c_str());
        }
    }

    ReportStatus(status);
    if (process.readyEvent != nullptr) {
        CloseHandle(process.readyEvent);
        process.readyEvent = nullptr;
    }
    return status;
}

}  // namespace qlmfile
