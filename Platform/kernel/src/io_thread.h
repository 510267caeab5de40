#pragma once
// The process's one background I/O thread: sequential handles hand it a buffer to read into or to
// write out, and go on computing while it makes the system call.
//
// One thread for the whole process, fed in order: the I/O of a sequential handle is a fraction of the
// work that the caller does between two buffers, so one thread keeps pace with every handle at once,
// and there is only one thread to drain before a fork and none to join at exit. It is started at the
// first hand-over and lives until the process ends.
//
// A request belongs to the I/O thread from Submit until Wait returns, and so does its buffer; the
// caller touches neither in between. The thread never takes a handle's lock.
//
// Fork: a fork waits until no request is in flight, so that a child inherits only finished requests
// (the parent's thread does not exist in the child); the child gets a fresh, not yet started thread.
#include <cstddef>
#include <cstdint>

namespace platform::kernel::io {

struct Request {
    enum class Kind { Read, Write };
    // Set by the caller before Submit.
    Kind kind = Kind::Read;
    int fd = -1;
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::uint64_t offset = 0;
    // Set by the I/O thread, read by the caller once Wait has returned: the bytes done (a read ends
    // early at the end of the file) and the errno value that stopped the call, or 0.
    std::size_t done = 0;
    int error = 0;

private:
    friend class Thread;
    bool finished_ = true;  // guarded by the thread's mutex
};

// Queues the request. False when no thread can be had: the caller does the work itself.
bool Submit(Request& request);
// Until the request is done; at once when it is done already.
void Wait(Request& request);

}  // namespace platform::kernel::io
