#pragma once
// A counted reference to a COM object for callers: AddRef on copy, Release on destruction.
#include <cstddef>
#include <utility>

#include "platform/com_interface.h"
#include "winerror.h"

namespace platform::com {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a reference of its own (the caller keeps theirs); use Attach to take over the caller's.
    explicit ComPtr(T* p) noexcept : p_(p) { AddRefIfAny(); }
    ComPtr(const ComPtr& other) noexcept : p_(other.p_) { AddRefIfAny(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    ComPtr(const ComPtr<U>& other) noexcept : p_(other.Get()) {
        AddRefIfAny();
    }
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept {
        Reset();
        return *this;
    }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // For out-parameters: the slot must be empty, so nothing is leaked by overwriting it.
    T** GetAddressOf() noexcept { return &p_; }
    T** ReleaseAndGetAddressOf() noexcept {
        Reset();
        return &p_;
    }

    void Reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    void Attach(T* p) noexcept {
        Reset();
        p_ = p;
    }
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }
    void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    // QueryInterface for U; *out is left empty on failure.
    template <class U>
    HRESULT As(ComPtr<U>* out) const noexcept {
        if (p_ == nullptr) return E_POINTER;
        return p_->QueryInterface(IidOf<U>(), reinterpret_cast<void**>(out->ReleaseAndGetAddressOf()));
    }
    // Hands a new reference to a caller's out-parameter.
    HRESULT CopyTo(T** out) const noexcept {
        if (out == nullptr) return E_POINTER;
        *out = p_;
        AddRefIfAny();
        return S_OK;
    }

private:
    void AddRefIfAny() const noexcept {
        if (p_ != nullptr) p_->AddRef();
    }
    T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) noexcept {
    return a.Get() == b.Get();
}
template <class T>
bool operator==(const ComPtr<T>& a, std::nullptr_t) noexcept {
    return a.Get() == nullptr;
}

}  // namespace platform::com
