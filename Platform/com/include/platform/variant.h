#pragma once
// An owned VARIANT, cleared with VariantClear (as wil::unique_variant), and constructors for the
// values the platform and its tests build most.
#include <string_view>
#include <utility>

#include "oleauto.h"

namespace platform::com {

class UniqueVariant {
public:
    UniqueVariant() noexcept { VariantInit(&v_); }
    UniqueVariant(UniqueVariant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
    UniqueVariant& operator=(UniqueVariant&& other) noexcept {
        if (this != &other) {
            VariantClear(&v_);
            v_ = other.v_;
            VariantInit(&other.v_);
        }
        return *this;
    }
    ~UniqueVariant() { VariantClear(&v_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;

    // Takes over a VARIANT that the caller owned.
    static UniqueVariant Adopt(const VARIANT& owned) noexcept {
        UniqueVariant v;
        v.v_ = owned;
        return v;
    }
    static UniqueVariant Null() noexcept { return Of(VT_NULL, [](VARIANT&) {}); }
    static UniqueVariant FromShort(SHORT value) noexcept { return Of(VT_I2, [&](VARIANT& v) { v.iVal = value; }); }
    static UniqueVariant FromLong(LONG value) noexcept { return Of(VT_I4, [&](VARIANT& v) { v.lVal = value; }); }
    static UniqueVariant FromDouble(DOUBLE value) noexcept { return Of(VT_R8, [&](VARIANT& v) { v.dblVal = value; }); }
    static UniqueVariant FromDate(DATE value) noexcept { return Of(VT_DATE, [&](VARIANT& v) { v.date = value; }); }
    static UniqueVariant FromBool(bool value) noexcept {
        return Of(VT_BOOL, [&](VARIANT& v) { v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; });
    }
    // VT_EMPTY when memory runs out.
    static UniqueVariant FromString(std::u16string_view text) noexcept {
        BSTR s = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (s == nullptr) return UniqueVariant();
        return Of(VT_BSTR, [&](VARIANT& v) { v.bstrVal = s; });
    }

    const VARIANT* Get() const noexcept { return &v_; }
    VARIANT* Get() noexcept { return &v_; }
    const VARIANT* operator->() const noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    VARTYPE Type() const noexcept { return v_.vt; }
    // For an out-parameter: clears what was held first.
    VARIANT* Put() noexcept {
        VariantClear(&v_);
        return &v_;
    }
    // Hands the value over; this one is left VT_EMPTY.
    [[nodiscard]] VARIANT Release() noexcept {
        VARIANT out = v_;
        VariantInit(&v_);
        return out;
    }

private:
    template <class Fill>
    static UniqueVariant Of(VARTYPE vt, Fill fill) noexcept {
        UniqueVariant v;
        fill(v.v_);
        v.v_.vt = vt;
        return v;
    }

    VARIANT v_;
};

}  // namespace platform::com
