#pragma once
// An owned BSTR, freed with SysFreeString (as wil::unique_bstr). For a secret, call Wipe() before it goes.
#include <cstring>
#include <utility>

#include "oleauto.h"

namespace platform::com {

class UniqueBstr {
public:
    UniqueBstr() noexcept = default;
    explicit UniqueBstr(BSTR owned) noexcept : s_(owned) {}
    UniqueBstr(UniqueBstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        Reset(std::exchange(other.s_, nullptr));
        return *this;
    }
    ~UniqueBstr() { Reset(); }

    BSTR Get() const noexcept { return s_; }
    UINT Length() const noexcept { return SysStringLen(s_); }
    explicit operator bool() const noexcept { return s_ != nullptr; }
    // For an out-parameter: frees what was held first.
    BSTR* Put() noexcept {
        Reset();
        return &s_;
    }
    void Reset(BSTR owned = nullptr) noexcept {
        if (s_ != owned) SysFreeString(std::exchange(s_, owned));
    }
    [[nodiscard]] BSTR Release() noexcept { return std::exchange(s_, nullptr); }
    // Zeroes the characters (SysStringByteLen bytes), for key text and the like.
    void Wipe() noexcept {
        if (s_ != nullptr) std::memset(s_, 0, SysStringByteLen(s_));
    }

private:
    BSTR s_ = nullptr;
};

}  // namespace platform::com
