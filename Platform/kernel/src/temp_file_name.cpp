// GetTempFileNameW: unique names for temporary files, and creating them.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <new>
#include <string>

#include "errhandlingapi.h"
#include "fileapi.h"
#include "paths.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"
#include "platform/win32_errno.h"
#include "system_calls.h"
#include "winerror.h"

namespace platform::kernel {
namespace {

// Where the search for a free number starts: different in each process and each call, so that
// callers seldom meet the same names.
unsigned NextStart() {
    static std::atomic<unsigned> next{static_cast<unsigned>(::getpid()) * 40503u ^
                                      static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
    return next.fetch_add(1, std::memory_order_relaxed);
}

std::u16string Hex(unsigned number) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    do {
        text.insert(text.begin(), kDigits[number & 0xF]);
        number >>= 4;
    } while (number != 0);
    return text;
}

// "<folder>/<prefix><hex>.TMP"; false when it does not fit a MAX_PATH buffer.
bool FormName(const std::u16string& stem, unsigned number, std::u16string& name) {
    name = stem + Hex(number) + u".TMP";
    return name.size() < MAX_PATH;
}

UINT Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

UINT CreateUnique(const std::u16string& stem, LPWSTR out) {
    const unsigned start = NextStart();
    std::u16string name;
    for (unsigned i = 0; i < 0x10000; ++i) {
        const unsigned number = (start + i) & 0xFFFF;
        if (number == 0) continue;
        if (!FormName(stem, number, name)) return Fail(ERROR_FILENAME_EXCED_RANGE);
        const std::optional<std::string> path = NativePath(name.c_str());
        if (!path) return 0;
        const int fd = sys::Open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            ::close(fd);
            name.copy(out, name.size());
            out[name.size()] = u'\0';
            return number;
        }
        if (errno == EEXIST) continue;
        return Fail(errno == ENOENT || errno == ENOTDIR ? ERROR_DIRECTORY : Win32ErrorFromErrno(errno));
    }
    return Fail(ERROR_FILE_EXISTS);
}

}  // namespace
}  // namespace platform::kernel

extern "C" UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) {
    using namespace platform::kernel;
    if (platform::fault::Fail("GetTempFileNameW")) return 0;
    if (lpPathName == nullptr || lpTempFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    try {
        std::u16string stem(lpPathName, platform::WideLength(lpPathName));
        if (!stem.empty() && stem.back() != u'/') stem += u'/';
        if (lpPrefixString != nullptr) {
            stem.append(lpPrefixString, std::min<std::size_t>(3, platform::WideLength(lpPrefixString)));
        }
        if (uUnique == 0) return CreateUnique(stem, lpTempFileName);
        std::u16string name;
        if (!FormName(stem, uUnique & 0xFFFF, name)) return Fail(ERROR_FILENAME_EXCED_RANGE);
        name.copy(lpTempFileName, name.size());
        lpTempFileName[name.size()] = u'\0';
        return uUnique;
    } catch (const std::bad_alloc&) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
}
