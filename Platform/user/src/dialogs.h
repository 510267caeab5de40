#pragma once
// Dialogs inside the platform: the default dialog procedure that wraps the application's DLGPROC.
#include "winuser.h"

namespace platform::user {

// Calls the dialog's DLGPROC; what it leaves unhandled gets the default dialog behaviour (the close
// box becomes WM_CLOSE, WM_CLOSE becomes IDCANCEL).
LRESULT DialogWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The child with a control identifier, without the fault point of GetDlgItem.
HWND FindChild(HWND parent, int id);

// The first progress bar among a dialog's children, or null.
HWND FindProgressBar(HWND dialog);

}  // namespace platform::user
