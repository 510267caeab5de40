#include "ProgressDialog.h"

#include "ProcessState.h"
#include "Resources.h"
#include "commctrl.h"
#include "shlwapi.h"
#include "windows.h"

namespace qlmfile {

DWORD WINAPI ProgressDialogThread(LPVOID) {
    DialogBoxParamW(Process().instance, MAKEINTRESOURCEW(kProgressDialogResource), nullptr, ProgressDialogProc, 0);
    return 0;
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    ProcessState& process = Process();
    switch (message) {
        case WM_INITDIALOG: {
            const HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 20, 20, 260, 17, dialog,
                                             nullptr, process.instance, nullptr);
            // The handle is in place before the event tells the operation to read it.
            process.progressBar.store(bar, std::memory_order_relaxed);
            SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 210));
            SendMessageW(bar, PBM_SETSTEP, 1, 0);
            SetEvent(process.readyEvent);
            return TRUE;
        }
        case WM_COMMAND:
            if (wParam == IDOK) {
                // Only the dialog goes; the operation runs on.
                EndDialog(dialog, 0);
                return TRUE;
            }
            if (wParam == IDCANCEL) {
                EndDialog(dialog, 0);
                process.cancelFlag.store(1, std::memory_order_relaxed);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

void StartProgressDialog(DWORD waitMs) {
    SHCreateThread(ProgressDialogThread, nullptr, CTF_COINIT | CTF_REF_COUNTED, nullptr);
    WaitForSingleObject(Process().readyEvent, waitMs);
}

}  // namespace qlmfile
