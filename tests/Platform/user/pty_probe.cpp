// A small program that the pseudo-terminal tests run: it shows a dialog with a progress bar, or a
// message box, with whatever presenter the platform picks (under a pseudo-terminal: the terminal's).
//   pty_probe dialog    the dialog on the main thread; prints "result=N" when it ends
//   pty_probe exit      the dialog on another thread; main returns while it runs
//   pty_probe signal    the dialog on another thread; main waits for a signal
//   pty_probe yesno     MB_YESNO; prints "answer=N"
//   pty_probe ok        MB_OK; prints "answer=N"
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "commctrl.h"
#include "winbase_resources.h"
#include "platform/dialog_template.h"
#include "platform/resources.h"
#include "shlwapi.h"
#include "windows.h"

namespace {

constexpr WORD kDialog = 1;
constexpr platform::DialogTemplateHeader kHeader{
    0, 0, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 199, 64, u"Probe caption",
    {8, 400, 0, 1, u"MS Shell Dlg"}};
constexpr platform::DialogTemplateItem kItems[] = {
    {0, 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 78, 41, 50, 14, IDCANCEL, platform::kButtonClassOrdinal, {}, u"Cancel"},
};
constexpr auto kBytes = platform::BuildDialogTemplate<platform::DialogTemplateSize(kHeader, kItems)>(kHeader, kItems);
const platform::ResourceEntry kEntries[] = {
    {RT_DIALOG, MAKEINTRESOURCEW(kDialog), 0x0409, kBytes.data(), static_cast<DWORD>(kBytes.size())}};
const platform::ResourceTable resources(&resources, kEntries);

std::atomic<bool> g_shown{false};

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        const INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        const HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 20, 20, 260, 17, dialog,
                                         nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 200));
        SendMessageW(bar, PBM_SETPOS, 100, 0);  // half way
        g_shown = true;
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == IDCANCEL) {
        EndDialog(dialog, 42);
        return TRUE;
    }
    return FALSE;
}

INT_PTR RunDialog() { return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialog), nullptr, Proc, 0); }

DWORD WINAPI DialogThread(LPVOID) {
    RunDialog();
    return 0;
}

void WaitUntilDrawn() {
    while (!g_shown) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // Give the presenter time to draw the line before the test's next step.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "dialog") == 0) {
        std::printf("result=%ld\n", static_cast<long>(RunDialog()));
        return 0;
    }
    if (std::strcmp(mode, "exit") == 0 || std::strcmp(mode, "signal") == 0) {
        SHCreateThread(DialogThread, nullptr, CTF_COINIT | CTF_REF_COUNTED, nullptr);
        WaitUntilDrawn();
        std::printf("\ndrawn\n");
        std::fflush(stdout);
        if (std::strcmp(mode, "signal") == 0) {
            for (;;) pause();
        }
        return 0;  // the dialog thread is still running
    }
    if (std::strcmp(mode, "yesno") == 0 || std::strcmp(mode, "ok") == 0) {
        const UINT style = std::strcmp(mode, "yesno") == 0 ? MB_YESNO | MB_ICONWARNING : MB_OK | MB_ICONWARNING;
        const int answer = MessageBoxW(nullptr, u"Replace the file?", u"Probe caption", style);
        std::printf("\nanswer=%d\n", answer);
        return 0;
    }
    return 2;
}
