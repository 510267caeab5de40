#pragma once
// An open file behind a HANDLE: the file descriptor, what the handle may do, and its file pointer.
//
// All I/O is positioned (pread/pwrite at the handle's own file pointer), so the descriptor's offset
// plays no part. A handle opened for sequential scan has a buffer: reading fills it ahead of the
// pointer, writing collects into it and writes it out in one piece when it is full or when anything
// else needs the file as the caller sees it (a move of the pointer, a read, the end of file, a flush,
// the close). A deferred write that fails keeps its bytes in the buffer and reports the error to the
// call that tried; a later call tries again, the close gives up.
//
// Methods return a Win32 error, 0 on success. Calls on one handle are serialised, as synchronous I/O
// on one file object is on Windows.
#include <cstdint>
#include <memory>
#include <mutex>

#include "handle_table.h"

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

    // Writes out what the buffer holds, for the flush at process exit.
    void WriteOutAtExit();

private:
    enum class Mode { Idle, Reading, Writing };

    DWORD ReadBuffered(std::uint8_t* data, DWORD size, DWORD& done);
    DWORD WriteBuffered(const std::uint8_t* data, DWORD size, DWORD& done);
    DWORD WriteOut();  // the held-back writes, if any
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
};

// Arranges, once, that every open file writes out its buffer when the process exits normally.
void WriteOutBuffersAtExit();

}  // namespace platform::kernel
