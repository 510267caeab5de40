#include <mutex>
#include <cstring>

#include "errhandlingapi.h"
#include "platform/fault_injection.h"
#include "platform/version.h"
#include "sysinfoapi.h"
#include "winerror.h"

namespace {

constexpr platform::ReportedVersion kModern{10, 0, 19045, 0};

// Written by tests only, read by GetVersionExW.
std::mutex g_mutex;
platform::ReportedVersion g_version = kModern;

platform::ReportedVersion Current() {
    std::lock_guard lock(g_mutex);
    return g_version;
}

}  // namespace

namespace platform {
void SetReportedVersion(const ReportedVersion& version) {
    std::lock_guard lock(g_mutex);
    g_version = version;
}
void ResetReportedVersion() { SetReportedVersion(kModern); }
}  // namespace platform

extern "C" BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW info) {
    if (platform::fault::Fail("GetVersionExW")) return FALSE;
    if (info == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    const DWORD size = info->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const platform::ReportedVersion v = Current();
    std::memset(reinterpret_cast<BYTE*>(info) + sizeof(DWORD), 0, size - sizeof(DWORD));
    info->dwMajorVersion = v.major;
    info->dwMinorVersion = v.minor;
    info->dwBuildNumber = v.build;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    if (v.servicePackMajor != 0) {
        const char16_t* sp = v.servicePackMajor == 3 ? u"Service Pack 3" : u"Service Pack";
        std::memcpy(info->szCSDVersion, sp, (std::char_traits<char16_t>::length(sp) + 1) * sizeof(WCHAR));
    }
    if (size == sizeof(OSVERSIONINFOEXW)) {
        auto* ex = reinterpret_cast<LPOSVERSIONINFOEXW>(info);
        ex->wServicePackMajor = v.servicePackMajor;
        ex->wProductType = VER_NT_WORKSTATION;
    }
    return TRUE;
}
