#pragma once
// The file that a run writes (lock: the container; unlock: the restored file), staged so that a run
// that does not finish leaves nothing behind and a file that the user agreed to replace stays intact
// until its successor is complete.
//
//   CreatePlaceholder   the target itself, CREATE_NEW, held open (ERROR_FILE_EXISTS when it exists:
//                       the caller asks whether to replace it)
//   HoldExistingTarget  once the user agreed and the keys are set up: the existing target opened for
//                       writing without sharing and without truncation (a sharing violation when the
//                       run reads that very file), and held; made anew if it went away meanwhile
//   CreateTemporary     a temporary file beside the target (GetTempFileNameW), opened for sequential
//                       writing: everything is written there
//   Commit              the temporary file closed and moved over the target (a replaced target's
//                       permissions carried over to it)
//   Discard             the temporary file and a placeholder of this run deleted; an existing target
//                       is never touched. The destructor discards what was not committed.
//
// Every open shares deletion, so that the move and the deletions work while a handle is still held.
#include <string>

#include "FileHandle.h"
#include "windef.h"

namespace qlmfile {

class StagedOutput {
public:
    StagedOutput() = default;
    ~StagedOutput() { Discard(); }
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;

    // The target's path, set once the run knows it.
    void SetTarget(std::u16string target) { target_ = std::move(target); }
    const std::u16string& Target() const { return target_; }

    // The folded status of CreateFileW; 0x80070050 when the target exists.
    HRESULT CreatePlaceholder();
    HRESULT HoldExistingTarget();
    HRESULT CreateTemporary();

    // Where the content goes: the temporary file.
    HANDLE File() const { return temporary_.Get(); }
    const std::u16string& TemporaryPath() const { return temporaryPath_; }

    // Closes the temporary file (after the caller flushed it) and moves it over the target. On failure
    // the status of the failing call; the caller then discards.
    HRESULT Commit();
    void Discard();

private:
    std::u16string target_;
    FileHandle targetHold_;      // the placeholder, or the existing target held for replacement
    bool placeholderIsOurs_ = false;
    bool replacingExisting_ = false;
    FileHandle temporary_;
    std::u16string temporaryPath_;
};

}  // namespace qlmfile
