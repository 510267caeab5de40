#pragma once
// Test hook: the version that GetVersionExW reports for the rest of the process.
#include "windef.h"

namespace platform {

struct ReportedVersion {
    DWORD major;
    DWORD minor;
    DWORD build;
    WORD servicePackMajor;
};

void SetReportedVersion(const ReportedVersion& version);
void ResetReportedVersion();  // back to 10.0

}  // namespace platform
