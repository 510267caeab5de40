#pragma once
// A run's side of the progress dialog (started with StartProgressDialog): the messages it sends to the bar (range 0 to 210) and the
// cancel flag it looks at after every chunk. The bar handle and the flag are read through the process
// state's atomics; a null bar (a dialog that never came up) takes every message without effect.
#include "windef.h"

namespace qlmfile {

// PBM_SETSTEP with 1 (lock, once the dialog has started: the dialog has set it already).
void SetProgressStep();

// PBM_STEPIT: one milestone before or after the chunk loop.
void StepProgress();

// PBM_SETPOS with 5 + floor(200 x done / total), in floating point and truncated: 5 at the start of
// the loop, 205 once everything is read. A total of 0 (an empty source) stands at 5.
void SetChunkProgress(ULONGLONG done, ULONGLONG total);
int ChunkPosition(ULONGLONG done, ULONGLONG total);

// The dialog's Cancel (button, Esc or close box) was pressed.
bool CancelRequested();

// The end of a successful run: the bar at 210, then the 100 ms pause in which it shows full.
void FinishProgress();

}  // namespace qlmfile
