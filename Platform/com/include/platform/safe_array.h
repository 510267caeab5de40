#pragma once
// An owned SAFEARRAY, destroyed with SafeArrayDestroy.
#include <utility>

#include "oleauto.h"

namespace platform::com {

class UniqueSafeArray {
public:
    UniqueSafeArray() noexcept = default;
    explicit UniqueSafeArray(SAFEARRAY* owned) noexcept : psa_(owned) {}
    UniqueSafeArray(UniqueSafeArray&& other) noexcept : psa_(std::exchange(other.psa_, nullptr)) {}
    UniqueSafeArray& operator=(UniqueSafeArray&& other) noexcept {
        Reset(std::exchange(other.psa_, nullptr));
        return *this;
    }
    ~UniqueSafeArray() { Reset(); }
    UniqueSafeArray(const UniqueSafeArray&) = delete;
    UniqueSafeArray& operator=(const UniqueSafeArray&) = delete;

    SAFEARRAY* Get() const noexcept { return psa_; }
    explicit operator bool() const noexcept { return psa_ != nullptr; }
    // For an out-parameter: destroys what was held first.
    SAFEARRAY** Put() noexcept {
        Reset();
        return &psa_;
    }
    void Reset(SAFEARRAY* owned = nullptr) noexcept {
        if (psa_ != owned) SafeArrayDestroy(std::exchange(psa_, owned));
    }
    [[nodiscard]] SAFEARRAY* Release() noexcept { return std::exchange(psa_, nullptr); }

private:
    SAFEARRAY* psa_ = nullptr;
};

}  // namespace platform::com
