// The calling thread and the running program.
#include <pthread.h>
#include <unistd.h>

#include <mutex>

#include <string>

#include "errhandlingapi.h"
#include "libloaderapi.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"
#include "platform/win32_errno.h"
#include "processthreadsapi.h"
#include "winerror.h"

namespace {

// The id is asked for once per thread; a forked child's one thread is a new thread with its own id.
thread_local DWORD t_threadId = 0;

void ForgetThreadIdInChild() { t_threadId = 0; }

}  // namespace

extern "C" {

DWORD WINAPI GetCurrentThreadId() {
    if (t_threadId == 0) {
        static std::once_flag registered;
        std::call_once(registered, [] { ::pthread_atfork(nullptr, nullptr, ForgetThreadIdInChild); });
        t_threadId = static_cast<DWORD>(::gettid());
    }
    return t_threadId;
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    if (platform::fault::Fail("GetModuleFileNameW")) return 0;
    if (hModule != nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    std::string target(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) {
        platform::SetLastErrorFromErrno();
        return 0;
    }
    target.resize(static_cast<std::size_t>(length));
    const std::optional<std::u16string> name = platform::Utf8ToUtf16(target);
    if (!name) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (name->size() >= nSize) {
        name->copy(lpFilename, nSize - 1);
        lpFilename[nSize - 1] = u'\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    name->copy(lpFilename, name->size());
    lpFilename[name->size()] = u'\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(name->size());
}

}  // extern "C"
