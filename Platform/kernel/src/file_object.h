#pragma once
// An open file behind a HANDLE: the file descriptor, what the handle may do, and its file pointer.
//
// All I/O is positioned (pread/pwrite at the handle's own file pointer), so the descriptor's offset
// plays no part. A handle opened for sequential scan has a buffer: reading fills it ahead of the
// pointer, writing collects into it and writes it out in one piece when it is full or when anything
// else needs the file as the caller sees it (a move of the pointer, a read, the end of file, a flush,
// the close).
//
// From the second buffer of a run on, the system calls go to the background I/O thread (io_thread.h),
// on a second buffer, so that they overlap the caller's work: a sequential read that refilled a full
// buffer has the next one read ahead, and a full write buffer is handed over while the caller fills
// the other one. Only one request is out at a time. A read-ahead serves only the read that continues
// the run it was made for; any write, move or end of file through the handle drops it.
//
// Errors of deferred writes. A write held in the buffer, or handed over, that fails keeps its bytes;
// the error is reported once, by the call that waited for the write: for a handed-over write that is
// the next WriteFile that fills the buffer again, a WriteFile of a buffer or more, ReadFile,
// SetFilePointer(Ex) that moves the pointer, SetEndOfFile, FlushFileBuffers or CloseHandle
// (GetFileSize counts the held-back bytes without waiting). The next of those calls tries again; the
// close gives up, and so does the write-out at process exit.
//
// Methods return a Win32 error, 0 on success. Calls on one handle are serialised, as synchronous I/O
// on one file object is on Windows.
#include <cstdint>
#include <memory>
#include <mutex>

#include "handle_table.h"
#include "io_thread.h"

namespace platform::kernel {

class File final : public KernelObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::File;

    // Takes ownership of fd. Without a buffer every call goes straight to the system.
    File(int fd, bool canRead, bool canWrite, std::unique_ptr<std::uint8_t[]> buffer, std::size_t bufferSize);
    ~File() override;

    DWORD Read(void* data, DWORD size, DWORD& done);
    DWORD Write(const void* data, DWORD size, DWORD& done);
    // Moves the pointer by distance from the start, the pointer or the end (FILE_BEGIN ...); a
    // position past maxPosition fails with ERROR_INVALID_PARAMETER, before the start with
    // ERROR_NEGATIVE_SEEK; on a failure the pointer stays.
    DWORD Seek(std::int64_t distance, DWORD method, std::uint64_t maxPosition, std::uint64_t& position);
    DWORD Size(std::uint64_t& size);
    DWORD SetEnd();
    DWORD Flush();
    DWORD Close() override;
    DWORD Wait(DWORD milliseconds) override;

    // Writes out what the buffers hold, for the flush at process exit, and leaves nothing out on the
    // I/O thread.
    void WriteOutAtExit();

private:
    enum class Mode { Idle, Reading, Writing };
    enum class Job { None, ReadAhead, Write };  // what request_ is, on spare_

    DWORD ReadBuffered(std::uint8_t* data, DWORD size, DWORD& done);
    std::size_t Refill(int& error);
    void StartReadAhead();
    void DropReadAhead();
    DWORD WriteBuffered(const std::uint8_t* data, DWORD size, DWORD& done);
    DWORD PutOutFullBuffer();
    bool HandOver();
    DWORD FinishHandedOverWrite();
    DWORD WriteOutBuffer();
    DWORD WriteOut();  // the held-back writes, if any: the handed-over one, then the buffer
    void Quiesce();    // nothing out on the I/O thread any more
    bool HaveSpare();
    DWORD LogicalSize(std::uint64_t& size);

    std::mutex mutex_;
    int fd_;
    const bool canRead_;
    const bool canWrite_;
    const std::size_t capacity_;  // 0: unbuffered
    std::unique_ptr<std::uint8_t[]> buffer_;

    std::uint64_t position_ = 0;  // the file pointer as the caller sees it
    Mode mode_ = Mode::Idle;
    // Reading: buffer_[0, length_) holds the file from bufferStart_, and the pointer lies in it.
    // Writing: buffer_[0, length_) goes to the file at bufferStart_, the pointer is at its end, and
    // buffer_[0, written_) is on disk already (after a write-out that stopped part way).
    std::uint64_t bufferStart_ = 0;
    std::size_t length_ = 0;
    std::size_t written_ = 0;

    // The second buffer, allocated at the first hand-over, and the request on it. ReadAhead: the
    // capacity_ bytes after buffer_. Write: bytes older than buffer_'s; request_.done of them are on
    // disk once it is finished, and writeReported_ tells that its failure was reported already.
    std::unique_ptr<std::uint8_t[]> spare_;
    Job job_ = Job::None;
    io::Request request_;
    bool writeReported_ = false;
    bool wroteFullBuffer_ = false;  // the first full buffer goes out at once: small files start no thread
};

// Arranges, once, that every open file writes out its buffer when the process exits normally.
void WriteOutBuffersAtExit();

}  // namespace platform::kernel
