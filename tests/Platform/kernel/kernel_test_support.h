#pragma once
// Small helpers of the kernel tests: a handle that closes itself, and opening by a UTF-8 path.
#include <filesystem>
#include <string>
#include <utility>

#include "platform/fault_injection.h"
#include "temp_dir.h"
#include "windows.h"

namespace kerneltest {

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : h_(std::exchange(other.h_, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
    void reset() {
        if (valid()) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

inline HANDLE OpenRaw(const std::filesystem::path& path, DWORD access, DWORD share, DWORD disposition,
                      DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileW(qlmtest::Utf16(path).c_str(), access, share, nullptr, disposition, flags, nullptr);
}

inline Handle Open(const std::filesystem::path& path, DWORD access, DWORD share, DWORD disposition,
                   DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return Handle(OpenRaw(path, access, share, disposition, flags));
}

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

inline std::string Text(const std::filesystem::path& file) {
    const auto bytes = qlmtest::ReadBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace kerneltest
