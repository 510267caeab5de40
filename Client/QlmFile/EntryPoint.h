#pragma once
// QlmFile's entry: split the command tail, prepare the state the two threads share, run one
// operation, and report a failure in one message box.
#include "windef.h"

namespace qlmfile {

using PipelineFunction = HRESULT (*)(LPCWSTR path);

struct Pipelines {
    PipelineFunction lock;
    PipelineFunction unlock;
};

// The real lock and unlock.
Pipelines ProductPipelines();

// Runs one command tail (ANSI) with the given pipelines and returns the status that was reported.
// The program's exit code does not depend on it: it is always 0.
HRESULT RunCommandTail(HINSTANCE instance, const char* commandTail, const Pipelines& pipelines);

// Shows the message for a negative status: no owner, caption "Quillmarsh", a warning icon, OK.
void ReportStatus(HRESULT status);

}  // namespace qlmfile
