#pragma once
// The state that QlmFile's two threads share for one run: the entry thread runs the operation, the
// dialog thread runs the progress dialog.
//
// The instance handle and the ready event are written before the dialog thread exists. The bar
// handle (written by the dialog before it sets the ready event) and the cancel flag (set by the
// dialog's Cancel, read once per chunk) are atomics with relaxed order: no lock, and no data race.
#include <atomic>

#include "windef.h"

namespace qlmfile {

struct ProcessState {
    HINSTANCE instance = nullptr;
    HANDLE readyEvent = nullptr;
    std::atomic<HWND> progressBar{nullptr};
    std::atomic<LONG> cancelFlag{0};
};

ProcessState& Process();

}  // namespace qlmfile
