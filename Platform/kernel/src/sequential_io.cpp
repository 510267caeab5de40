// The size of a sequential handle's buffer, and the write-out of every buffer at process exit.
#include <atomic>
#include <cstdlib>
#include <mutex>

#include "file_object.h"
#include "handle_table.h"
#include "platform/sequential_io.h"

namespace platform {
namespace {

// 1 MiB: in bench/Platform/kernel, 1920-byte calls through buffers of 256 KiB and above run at
// memcpy speed; 1 MiB halves the system calls of 256 KiB for a few hundred KiB more per handle.
constexpr std::size_t kDefaultBufferSize = std::size_t{1} << 20;
std::atomic<std::size_t> g_bufferSize{kDefaultBufferSize};

}  // namespace

std::size_t SequentialBufferSize() { return g_bufferSize.load(std::memory_order_relaxed); }

void SetSequentialBufferSize(std::size_t bytes) {
    g_bufferSize.store(bytes == 0 ? kDefaultBufferSize : bytes, std::memory_order_relaxed);
}

}  // namespace platform

namespace platform::kernel {
namespace {

// Windows keeps what WriteFile took even when the program ends without closing the handle; so do we.
void WriteOutAllAtExit() {
    for (const auto& object : HandleTable::Instance().All(ObjectKind::File)) {
        static_cast<File&>(*object).WriteOutAtExit();
    }
}

}  // namespace

void WriteOutBuffersAtExit() {
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(WriteOutAllAtExit); });
}

}  // namespace platform::kernel
