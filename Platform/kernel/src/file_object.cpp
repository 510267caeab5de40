#include "file_object.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "fileapi.h"
#include "platform/win32_errno.h"
#include "synchapi.h"
#include "system_calls.h"
#include "winerror.h"

namespace platform::kernel {

File::File(int fd, bool canRead, bool canWrite, std::unique_ptr<std::uint8_t[]> buffer, std::size_t bufferSize)
    : KernelObject(kKind),
      fd_(fd),
      canRead_(canRead),
      canWrite_(canWrite),
      capacity_(buffer != nullptr ? bufferSize : 0),
      buffer_(std::move(buffer)) {}

File::~File() {
    // Without a CloseHandle (a handle left open at exit) the held-back bytes still reach the file.
    if (fd_ >= 0) {
        WriteOut();
        Quiesce();
        ::close(fd_);
    }
}

DWORD File::Read(void* data, DWORD size, DWORD& done) {
    done = 0;
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return ERROR_INVALID_HANDLE;
    if (!canRead_) return ERROR_ACCESS_DENIED;
    if (capacity_ != 0) return ReadBuffered(static_cast<std::uint8_t*>(data), size, done);
    int error;
    done = static_cast<DWORD>(sys::PreadFully(fd_, data, size, static_cast<off_t>(position_), error));
    position_ += done;
    return Win32ErrorFromErrno(error);
}

DWORD File::ReadBuffered(std::uint8_t* data, DWORD size, DWORD& done) {
    // What was written before must be in the file before the file is read.
    if (const DWORD error = WriteOut(); error != 0) return error;
    while (size > 0) {
        if (mode_ == Mode::Reading && position_ < bufferStart_ + length_) {
            const std::size_t offset = static_cast<std::size_t>(position_ - bufferStart_);
            const std::size_t n = std::min<std::size_t>(size, length_ - offset);
            std::memcpy(data, buffer_.get() + offset, n);
            data += n;
            size -= static_cast<DWORD>(n);
            done += static_cast<DWORD>(n);
            position_ += n;
            continue;
        }
        int error;
        if (size >= capacity_) {
            // A read as large as the buffer gains nothing from passing through it.
            mode_ = Mode::Idle;
            const std::size_t n = sys::PreadFully(fd_, data, size, static_cast<off_t>(position_), error);
            done += static_cast<DWORD>(n);
            position_ += n;
            return Win32ErrorFromErrno(error);
        }
        if (Refill(error) == 0) return Win32ErrorFromErrno(error);  // the end of the file, or the error
    }
    return 0;
}

// Fills the buffer from the pointer: from the read-ahead when this read continues the run it was made
// for, else with a read of its own. A read that continues a run and fills the buffer has the next
// buffer read ahead; so the first buffer of a run, and a small file, are read on the caller's thread
// alone. Returns the bytes now in the buffer; error tells why none came, if none did. (A read that
// fails after some bytes serves those; the next refill meets the failure again.)
std::size_t File::Refill(int& error) {
    const bool continuesRun = mode_ == Mode::Reading && position_ == bufferStart_ + length_;
    if (continuesRun && job_ == Job::ReadAhead && request_.offset == position_) {
        io::Wait(request_);
        job_ = Job::None;
        std::swap(buffer_, spare_);
        length_ = request_.done;
        error = request_.error;
    } else {
        DropReadAhead();
        length_ = sys::PreadFully(fd_, buffer_.get(), capacity_, static_cast<off_t>(position_), error);
    }
    mode_ = Mode::Reading;
    bufferStart_ = position_;
    if (continuesRun && length_ == capacity_) StartReadAhead();
    return length_;
}

void File::StartReadAhead() {
    if (!HaveSpare()) return;
    request_.kind = io::Request::Kind::Read;
    request_.fd = fd_;
    request_.data = spare_.get();
    request_.size = capacity_;
    request_.offset = bufferStart_ + length_;
    if (io::Submit(request_)) job_ = Job::ReadAhead;
}

// A read-ahead that no read will take: wait for it, so that the spare buffer is free again.
void File::DropReadAhead() {
    if (job_ != Job::ReadAhead) return;
    io::Wait(request_);
    job_ = Job::None;
}

DWORD File::Write(const void* data, DWORD size, DWORD& done) {
    done = 0;
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return ERROR_INVALID_HANDLE;
    if (!canWrite_) return ERROR_ACCESS_DENIED;
    if (size == 0) return 0;
    if (capacity_ != 0) return WriteBuffered(static_cast<const std::uint8_t*>(data), size, done);
    int error;
    done = static_cast<DWORD>(sys::PwriteFully(fd_, data, size, static_cast<off_t>(position_), error));
    position_ += done;
    return Win32ErrorFromErrno(error);
}

DWORD File::WriteBuffered(const std::uint8_t* data, DWORD size, DWORD& done) {
    if (mode_ == Mode::Reading) mode_ = Mode::Idle;  // the buffer and the read-ahead would go stale
    // A deferred write's error belongs to the call that puts it out; none of this call's bytes are
    // taken then.
    if (size >= capacity_) {
        if (const DWORD error = WriteOut(); error != 0) return error;
        int error;
        done = static_cast<DWORD>(sys::PwriteFully(fd_, data, size, static_cast<off_t>(position_), error));
        position_ += done;
        return Win32ErrorFromErrno(error);
    }
    if (mode_ == Mode::Writing && length_ + size > capacity_) {
        if (const DWORD error = PutOutFullBuffer(); error != 0) return error;
    }
    if (mode_ != Mode::Writing) {
        mode_ = Mode::Writing;
        bufferStart_ = position_;
        length_ = 0;
        written_ = 0;
    }
    std::memcpy(buffer_.get() + length_, data, size);
    length_ += size;
    position_ += size;
    done = size;
    return 0;
}

// The buffer is full: the write handed over before must be done first, then this buffer goes out.
// The first full buffer of a handle is written at once, so that a small file starts no thread; from
// the second on, the buffer is handed to the I/O thread and the caller fills the other one.
DWORD File::PutOutFullBuffer() {
    if (const DWORD error = FinishHandedOverWrite(); error != 0) return error;
    if (wroteFullBuffer_ && HandOver()) return 0;
    wroteFullBuffer_ = true;
    return WriteOutBuffer();
}

bool File::HandOver() {
    DropReadAhead();
    if (!HaveSpare()) return false;
    std::swap(buffer_, spare_);
    request_.kind = io::Request::Kind::Write;
    request_.fd = fd_;
    request_.data = spare_.get() + written_;
    request_.size = length_ - written_;
    request_.offset = bufferStart_ + written_;
    if (!io::Submit(request_)) {
        std::swap(buffer_, spare_);
        return false;
    }
    job_ = Job::Write;
    writeReported_ = false;
    mode_ = Mode::Idle;
    length_ = 0;
    written_ = 0;
    return true;
}

// Waits for the handed-over write. Its failure is this call's error, once; a later call tries the
// rest of its bytes again, here on the caller's thread.
DWORD File::FinishHandedOverWrite() {
    if (job_ != Job::Write) return 0;
    io::Wait(request_);
    if (request_.done < request_.size) {
        if (!writeReported_) {
            writeReported_ = true;
            return Win32ErrorFromErrno(request_.error);
        }
        int error;
        request_.done += sys::PwriteFully(fd_, request_.data + request_.done, request_.size - request_.done,
                                          static_cast<off_t>(request_.offset + request_.done), error);
        if (error != 0) return Win32ErrorFromErrno(error);
    }
    job_ = Job::None;
    return 0;
}

DWORD File::WriteOutBuffer() {
    if (mode_ != Mode::Writing) return 0;
    int error;
    written_ += sys::PwriteFully(fd_, buffer_.get() + written_, length_ - written_,
                                 static_cast<off_t>(bufferStart_ + written_), error);
    if (error != 0) return Win32ErrorFromErrno(error);
    mode_ = Mode::Idle;
    length_ = 0;
    written_ = 0;
    return 0;
}

DWORD File::WriteOut() {
    if (const DWORD error = FinishHandedOverWrite(); error != 0) return error;
    return WriteOutBuffer();
}

void File::Quiesce() {
    if (job_ == Job::None) return;
    io::Wait(request_);
    job_ = Job::None;
}

bool File::HaveSpare() {
    if (spare_ == nullptr) spare_.reset(new (std::nothrow) std::uint8_t[capacity_]);
    return spare_ != nullptr;
}

DWORD File::LogicalSize(std::uint64_t& size) {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Win32ErrorFromErrno(errno);
    size = static_cast<std::uint64_t>(st.st_size);
    if (job_ == Job::Write) size = std::max<std::uint64_t>(size, request_.offset + request_.size);
    if (mode_ == Mode::Writing) size = std::max<std::uint64_t>(size, bufferStart_ + length_);
    return 0;
}

DWORD File::Seek(std::int64_t distance, DWORD method, std::uint64_t maxPosition, std::uint64_t& position) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return ERROR_INVALID_HANDLE;
    std::int64_t base;
    switch (method) {
        case FILE_BEGIN: base = 0; break;
        case FILE_CURRENT: base = static_cast<std::int64_t>(position_); break;
        case FILE_END: {
            std::uint64_t size;
            if (const DWORD error = LogicalSize(size); error != 0) return error;
            base = static_cast<std::int64_t>(size);
            break;
        }
        default: return ERROR_INVALID_PARAMETER;
    }
    std::int64_t target;
    if (__builtin_add_overflow(base, distance, &target)) return distance < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER;
    if (target < 0) return ERROR_NEGATIVE_SEEK;
    if (static_cast<std::uint64_t>(target) > maxPosition) return ERROR_INVALID_PARAMETER;
    if (static_cast<std::uint64_t>(target) != position_) {
        if (const DWORD error = WriteOut(); error != 0) return error;
        mode_ = Mode::Idle;
    }
    position_ = static_cast<std::uint64_t>(target);
    position = position_;
    return 0;
}

DWORD File::Size(std::uint64_t& size) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return ERROR_INVALID_HANDLE;
    return LogicalSize(size);
}

DWORD File::SetEnd() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return ERROR_INVALID_HANDLE;
    if (!canWrite_) return ERROR_ACCESS_DENIED;
    if (const DWORD error = WriteOut(); error != 0) return error;
    mode_ = Mode::Idle;
    if (position_ > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return ERROR_INVALID_PARAMETER;
    if (sys::Ftruncate(fd_, static_cast<off_t>(position_)) != 0) return Win32ErrorFromErrno(errno);
    return 0;
}

DWORD File::Flush() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return ERROR_INVALID_HANDLE;
    if (!canWrite_) return ERROR_ACCESS_DENIED;
    if (const DWORD error = WriteOut(); error != 0) return error;
    if (sys::Fsync(fd_) != 0) return Win32ErrorFromErrno(errno);
    return 0;
}

DWORD File::Close() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return ERROR_INVALID_HANDLE;
    DWORD error = WriteOut();
    // What could not be written out is given up with the handle; the I/O thread is done with it first.
    Quiesce();
    mode_ = Mode::Idle;
    if (::close(fd_) != 0 && errno == EIO && error == 0) error = ERROR_IO_DEVICE;
    fd_ = -1;
    buffer_.reset();
    spare_.reset();
    return error;
}

DWORD File::Wait(DWORD) { return WAIT_OBJECT_0; }

void File::WriteOutAtExit() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    WriteOut();
    Quiesce();
}

}  // namespace platform::kernel
