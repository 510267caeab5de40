// Loading a server library with dlopen, and the Windows error for a library that does not load.
#include "platform/server_library.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <string_view>

#include "platform/win32_errno.h"
#include "winerror.h"

namespace platform::com {

HRESULT LoadServerLibrary(const std::string& path, void*& handle, std::string* why) {
    handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) return S_OK;
    const char* error = ::dlerror();
    const std::string_view reason = error != nullptr ? error : "";
    if (why != nullptr) *why = reason;
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)
                                                   : HRESULT_FROM_WIN32(Win32ErrorFromErrno(errno));
    // The file is there: either a library that it needs is missing, or it is no library at all.
    if (reason.find("cannot open shared object file") != std::string_view::npos)
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    return HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);
}

}  // namespace platform::com
