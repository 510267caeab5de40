#include "RunProgress.h"

#include <atomic>

#include "ProcessState.h"
#include "commctrl.h"
#include "windows.h"

namespace qlmfile {
namespace {

constexpr int kLoopStart = 5;
constexpr int kLoopSpan = 200;
constexpr int kFullBar = 210;
constexpr DWORD kClosingPauseMs = 100;

LRESULT ToBar(UINT message, WPARAM wParam) {
    return SendMessageW(Process().progressBar.load(std::memory_order_relaxed), message, wParam, 0);
}

}  // namespace

void SetProgressStep() { ToBar(PBM_SETSTEP, 1); }

void StepProgress() { ToBar(PBM_STEPIT, 0); }

int ChunkPosition(ULONGLONG done, ULONGLONG total) {
    if (total == 0) return kLoopStart;
    return kLoopStart + static_cast<int>(static_cast<double>(kLoopSpan) * static_cast<double>(done) /
                                         static_cast<double>(total));
}

void SetChunkProgress(ULONGLONG done, ULONGLONG total) {
    ToBar(PBM_SETPOS, static_cast<WPARAM>(ChunkPosition(done, total)));
}

bool CancelRequested() { return Process().cancelFlag.load(std::memory_order_relaxed) != 0; }

void FinishProgress() {
    ToBar(PBM_SETPOS, kFullBar);
    Sleep(kClosingPauseMs);
}

}  // namespace qlmfile
