// CreateFileW: opening and creating files with their share modes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <utility>

#include "errhandlingapi.h"
#include "file_object.h"
#include "fileapi.h"
#include "handle_table.h"
#include "paths.h"
#include "platform/fault_injection.h"
#include "platform/sequential_io.h"
#include "platform/win32_errno.h"
#include "share_modes.h"
#include "system_calls.h"
#include "winerror.h"

namespace platform::kernel {
namespace {

struct Request {
    bool read;
    bool write;
    DWORD share;
    DWORD disposition;
    DWORD flags;
};

// Closes the descriptor unless released: every way out of an open that fails part way.
class FdGuard {
public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

DWORD CheckRequest(DWORD access, DWORD share, DWORD disposition, DWORD flags, Request& request) {
    request.read = (access & (GENERIC_READ | GENERIC_ALL)) != 0;
    request.write = (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    request.share = share;
    request.disposition = disposition;
    request.flags = flags;
    if ((share & ~(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) != 0) return ERROR_INVALID_PARAMETER;
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return ERROR_INVALID_PARAMETER;
    if (disposition == TRUNCATE_EXISTING && !request.write) return ERROR_INVALID_PARAMETER;
    if ((flags & (FILE_FLAG_OVERLAPPED | FILE_FLAG_DELETE_ON_CLOSE)) != 0) return ERROR_NOT_SUPPORTED;
    return 0;
}

// One open(2) of the path. A handle that only writes still gets a readable descriptor where the file
// allows it: the delete guard is a read lock. The handle's own access checks keep it write-only.
int OpenOnce(const std::string& path, const Request& request, int createFlags, bool& readable) {
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | createFlags;  // O_NONBLOCK: a FIFO must not hang the open
    if ((request.flags & FILE_FLAG_WRITE_THROUGH) != 0) flags |= O_DSYNC;
    if (!request.write) {
        readable = true;
        return sys::Open(path.c_str(), flags | O_RDONLY, 0666);
    }
    int fd = sys::Open(path.c_str(), flags | O_RDWR, 0666);
    readable = fd >= 0;
    if (fd < 0 && errno == EACCES && !request.read) fd = sys::Open(path.c_str(), flags | O_WRONLY, 0666);
    return fd;
}

// Opens or creates as the disposition says, never truncating (that waits for the share check).
// existed tells whether the file was there before.
int OpenForDisposition(const std::string& path, const Request& request, bool& existed, bool& readable) {
    switch (request.disposition) {
        case CREATE_NEW:
            existed = false;
            return OpenOnce(path, request, O_CREAT | O_EXCL, readable);
        case OPEN_EXISTING:
        case TRUNCATE_EXISTING:
            existed = true;
            return OpenOnce(path, request, 0, readable);
        default:
            // CREATE_ALWAYS, OPEN_ALWAYS: create if new, else open; retried while another process
            // removes and makes the file in between.
            for (int attempt = 0; attempt < 8; ++attempt) {
                int fd = OpenOnce(path, request, O_CREAT | O_EXCL, readable);
                if (fd >= 0 || errno != EEXIST) {
                    existed = false;
                    return fd;
                }
                fd = OpenOnce(path, request, 0, readable);
                if (fd >= 0 || errno != ENOENT) {
                    existed = true;
                    return fd;
                }
            }
            return -1;  // errno ENOENT: a dangling link, or a file that keeps vanishing
    }
}

DWORD OpenError(const std::string& path, const Request& request, int error) {
    if (error == EEXIST && request.disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
    if (error == ENXIO) return ERROR_ACCESS_DENIED;  // a FIFO without a reader, a device without its driver
    return PathError(path, error);
}

// A file that this open created and that the open then fails to hand out goes again: a failed
// CreateFileW leaves no new empty file behind. Only the file this open made is removed, not one that
// has taken its name since.
class CreatedFile {
public:
    CreatedFile(const std::string& path, int fd, bool created) : path_(path) {
        if (created && ::fstat(fd, &made_) == 0) armed_ = true;
    }
    ~CreatedFile() {
        struct stat now;
        if (armed_ && ::lstat(path_.c_str(), &now) == 0 && now.st_dev == made_.st_dev && now.st_ino == made_.st_ino)
            ::unlink(path_.c_str());
    }
    CreatedFile(const CreatedFile&) = delete;
    CreatedFile& operator=(const CreatedFile&) = delete;
    void Keep() { armed_ = false; }

private:
    const std::string& path_;
    struct stat made_ {};
    bool armed_ = false;
};

HANDLE Open(const std::string& path, const Request& request) {
    bool existed = false;
    bool readable = false;
    FdGuard fd(OpenForDisposition(path, request, existed, readable));
    if (fd.get() < 0) {
        SetLastError(OpenError(path, request, errno));
        return INVALID_HANDLE_VALUE;
    }
    CreatedFile created(path, fd.get(), !existed);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) {
        SetLastErrorFromErrno();
        return INVALID_HANDLE_VALUE;
    }
    if (!S_ISREG(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);  // a folder, a device or a pipe is no file to open here
        return INVALID_HANDLE_VALUE;
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);

    // The share check comes before any truncation: a conflicting open changes nothing.
    if (const DWORD error = TakeShareLocks(fd.get(), request.share, readable); error != 0) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    const bool truncate = request.disposition == TRUNCATE_EXISTING || (request.disposition == CREATE_ALWAYS && existed);
    if (truncate && st.st_size != 0 && sys::Ftruncate(fd.get(), 0) != 0) {
        SetLastErrorFromErrno();
        return INVALID_HANDLE_VALUE;
    }

    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t bufferSize = 0;
    if ((request.flags & FILE_FLAG_SEQUENTIAL_SCAN) != 0) {
        bufferSize = SequentialBufferSize();
        buffer.reset(new (std::nothrow) std::uint8_t[bufferSize]);
        if (buffer == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return INVALID_HANDLE_VALUE;
        }
        WriteOutBuffersAtExit();
    }
    auto file = std::make_shared<File>(fd.get(), request.read, request.write, std::move(buffer), bufferSize);
    fd.release();
    HANDLE handle = HandleTable::Instance().Insert(std::move(file));
    if (handle == nullptr) {
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return INVALID_HANDLE_VALUE;
    }
    created.Keep();
    const bool reportsExisting = request.disposition == CREATE_ALWAYS || request.disposition == OPEN_ALWAYS;
    SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

}  // namespace
}  // namespace platform::kernel

extern "C" HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                                     DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
    using namespace platform::kernel;
    if (platform::fault::Fail("CreateFileW")) return INVALID_HANDLE_VALUE;
    try {
        Request request;
        if (const DWORD error =
                CheckRequest(dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes, request);
            error != 0) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        const std::optional<std::string> path = NativePath(lpFileName);
        if (!path) return INVALID_HANDLE_VALUE;
        return Open(*path, request);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
}
