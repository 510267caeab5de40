#pragma once
// The steps that lock and unlock take alike, on their input (the source of a lock, the container of an
// unlock) and on their output (the container, the restored file).
#include <new>
#include <string>

#include "FileHandle.h"
#include "StagedOutput.h"
#include "windef.h"
#include "winerror.h"

namespace qlmfile {

// Opens the input read only, shared with readers and writers, for sequential reading, and takes its
// 64-bit size. The folded last error of the call that failed.
HRESULT OpenInput(const std::u16string& path, FileHandle& file, ULONGLONG& size);

// Creates the output, held open until the run finishes it. When it exists already, asks "Overwrite
// <path>?" (a warning with Yes and No, no owner, caption "Quillmarsh"): on Yes the existing file is
// left untouched for now and `replacing` is set; on any other answer `goOn` is cleared and the run
// ends with 0. Any other failure is the folded last error.
HRESULT CreateOutputOrAsk(StagedOutput& output, bool& replacing, bool& goOn);

// Once the engine has answered and the keys are set up: an existing output that the user agreed to
// replace is opened (a sharing violation when the run reads that very file), then the temporary file
// that takes the content.
HRESULT OpenOutputForWriting(StagedOutput& output, bool replacing);

// Extends the output once to H5 + C + `inputSize` bytes (a 64-bit sum), so that the chunks never grow
// it, and moves back to its start.
HRESULT PresizeOutput(HANDLE file, DWORD payloadOffset, DWORD chunkSize, ULONGLONG inputSize);

// Runs a lock or an unlock on `path` to its status. Memory that runs out (a crafted container's sections
// may be as large as the file) ends the run as a failure like any other, its clean-up done on the way:
// no exception leaves a pipeline.
template <class Run>
HRESULT RunToStatus(LPCWSTR path) {
    try {
        Run run(path);
        return run.Run();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace qlmfile
