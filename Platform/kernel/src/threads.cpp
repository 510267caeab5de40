// The calling thread and the running program.
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <optional>

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

// A module handle is the address where the module is mapped (its lowest loaded segment), as
// GetModuleHandleW gives it. The program's own is found as the first module the loader lists.
int FindProgramBase(dl_phdr_info* info, std::size_t, void* data) {
    ElfW(Addr) lowest = ~ElfW(Addr){0};
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        if (info->dlpi_phdr[i].p_type == PT_LOAD) lowest = std::min(lowest, info->dlpi_phdr[i].p_vaddr);
    }
    const auto page = static_cast<ElfW(Addr)>(::sysconf(_SC_PAGESIZE));
    *static_cast<std::uintptr_t*>(data) = info->dlpi_addr + (lowest & ~(page - 1));
    return 1;
}

std::optional<std::string> ProgramPath() {
    std::string target(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) return std::nullopt;
    target.resize(static_cast<std::size_t>(length));
    return target;
}

std::optional<std::string> ModulePath(HMODULE module) {
    std::uintptr_t programBase = 0;
    ::dl_iterate_phdr(FindProgramBase, &programBase);
    if (module == nullptr || reinterpret_cast<std::uintptr_t>(module) == programBase) return ProgramPath();
    Dl_info info{};
    if (::dladdr(module, &info) == 0 || info.dli_fbase != module || info.dli_fname == nullptr || *info.dli_fname == '\0') {
        return std::nullopt;
    }
    return std::string(info.dli_fname);
}

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
    const std::optional<std::string> path = ModulePath(hModule);
    if (!path) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const std::optional<std::u16string> name = platform::Utf8ToUtf16(*path);
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
