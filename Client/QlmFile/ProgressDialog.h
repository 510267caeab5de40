#pragma once
// The progress dialog (resource 101) and its handshake with the operation.
//
// The dialog runs modal on a thread of its own. Once its bar exists it stores the bar's handle in the
// process state and sets the ready event; the operation waits for that event, then drives the bar
// with SendMessageW and looks at the cancel flag after every chunk. The Cancel button, Esc and the
// close box end the dialog and set the cancel flag; IDOK only ends it. Nobody ends the dialog
// otherwise: it goes with the process.
#include "windef.h"

namespace qlmfile {

// How long the operations wait for the dialog to come up.
inline constexpr DWORD kProgressDialogWaitMs = 10000;

// The thread procedure: shows dialog 101 until it ends; returns 0.
DWORD WINAPI ProgressDialogThread(LPVOID data);

// The dialog procedure.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The operations' step that starts the dialog: ProgressDialogThread on a new thread
// (SHCreateThread with CTF_COINIT | CTF_REF_COUNTED, no data, no callback), then a wait of up to
// waitMs for the ready event, whatever comes of either. The pipelines call it without an argument;
// tests pass a short wait, so that a dialog that never comes up does not cost them 10 seconds.
void StartProgressDialog(DWORD waitMs = kProgressDialogWaitMs);

}  // namespace qlmfile
