#pragma once
// An owned kernel file handle, closed when it goes. Null and INVALID_HANDLE_VALUE both mean "none",
// so the result of a failed CreateFileW can be stored as it is.
#include <utility>

#include "handleapi.h"

namespace qlmfile {

class FileHandle {
public:
    FileHandle() noexcept = default;
    explicit FileHandle(HANDLE owned) noexcept : handle_(owned) {}
    FileHandle(FileHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~FileHandle() { Reset(); }

    HANDLE Get() const noexcept { return handle_; }
    bool IsOpen() const noexcept { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const noexcept { return IsOpen(); }

    // Closes what is held (its result is not looked at) and takes `owned`.
    void Reset(HANDLE owned = nullptr) noexcept {
        const HANDLE old = std::exchange(handle_, owned);
        if (old != nullptr && old != INVALID_HANDLE_VALUE) CloseHandle(old);
    }
    // Closes the handle and tells whether CloseHandle succeeded: for a handle whose buffered writes
    // it still has to put out.
    BOOL Close() noexcept {
        const HANDLE old = std::exchange(handle_, nullptr);
        if (old == nullptr || old == INVALID_HANDLE_VALUE) return TRUE;
        return CloseHandle(old);
    }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace qlmfile
