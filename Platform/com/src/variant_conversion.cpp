// VariantChangeType(Ex): coercion between the automation types, in the English (United States) forms
// of numbers, booleans and dates.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/fault_injection.h"
#include "variant_types.h"
#include "winerror.h"

namespace {

using platform::com::UniqueBstr;
using platform::com::detail::CopyOwnedValue;
using platform::com::detail::IsValidVariantType;
using platform::com::detail::ReadThrough;

bool IsNumericType(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_I8:
        case VT_UI8:
        case VT_R4:
        case VT_R8:
        case VT_CY:
            return true;
        default:
            return false;
    }
}

bool IsUnsignedType(VARTYPE vt) {
    return vt == VT_UI1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_UINT || vt == VT_UI8;
}

// Round half to even, as automation does when a real value becomes an integer.
long double RoundHalfEven(long double v) {
    const long double down = std::floor(v);
    const long double rest = v - down;
    if (rest > 0.5L) return down + 1;
    if (rest < 0.5L) return down;
    return std::fmod(down, 2.0L) == 0 ? down : down + 1;
}

// ---- Numbers as text ----------------------------------------------------------------------------

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u00A0'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// English (United States) number text: [+|-]digits[,digits...][.digits][e[+|-]digits], blanks around
// it. Gives the same number in the form the C library reads ("-1000.5e3"), or nothing.
std::optional<std::string> NormalizeNumberText(std::u16string_view text) {
    text = Trim(text);
    std::string out;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') out.push_back('-');
        ++i;
    }
    std::size_t digits = 0;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            out.push_back(static_cast<char>(text[i]));
            ++digits;
        } else if (text[i] == u',' && digits > 0 && i + 1 < text.size() && IsDigit(text[i + 1])) {
            continue;  // a thousands separator between digits
        } else {
            break;
        }
    }
    if (i < text.size() && text[i] == u'.') {
        out.push_back('.');
        for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) out.push_back(static_cast<char>(text[i]));
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        out.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) out.push_back(static_cast<char>(text[i++]));
        std::size_t exponentDigits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++exponentDigits) out.push_back(static_cast<char>(text[i]));
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    return out;
}

// The text as a number of type T (double, or long double, which holds every 64-bit integer exactly).
template <class T>
HRESULT ParseNumberText(BSTR text, T& value) {
    const auto normalized = NormalizeNumberText(std::u16string_view(text == nullptr ? u"" : text, SysStringLen(text)));
    if (!normalized) return DISP_E_TYPEMISMATCH;
    const char* end = normalized->data() + normalized->size();
    const auto [ptr, ec] = std::from_chars(normalized->data(), end, value);
    if (ec == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
    if (ec != std::errc() || ptr != end) return DISP_E_TYPEMISMATCH;
    return S_OK;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Up to `precision` significant digits, exponent form for very large and small magnitudes:
// "2.5", "0.333333333333333", "1E+20", "1E-05".
template <class T>
std::u16string FormatReal(T value, int precision) {
    if (std::isnan(value)) return u"-1.#IND";
    if (std::isinf(value)) return value < 0 ? u"-1.#INF" : u"1.#INF";
    if (value == 0) return u"0";
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, precision);
    std::string out(text, result.ptr);
    for (char& c : out)
        if (c == 'e') c = 'E';
    return Widen(out);
}

// Currency: a 64-bit integer of ten-thousandths, shown without trailing zeros ("1.5", "-0.0001").
std::u16string FormatCurrency(LONGLONG scaled) {
    const bool negative = scaled < 0;
    const ULONGLONG magnitude = negative ? 0 - static_cast<ULONGLONG>(scaled) : static_cast<ULONGLONG>(scaled);
    std::string out = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    if (ULONGLONG fraction = magnitude % 10000; fraction != 0) {
        std::string digits = std::to_string(fraction + 10000).substr(1);  // four digits with leading zeros
        while (digits.back() == '0') digits.pop_back();
        out += "." + digits;
    }
    return Widen(out);
}

HRESULT NewBstr(std::u16string_view text, VARIANT& out) {
    out.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (out.bstrVal == nullptr) return E_OUTOFMEMORY;
    out.vt = VT_BSTR;
    return S_OK;
}

bool EqualsIgnoringCase(std::u16string_view text, std::u16string_view lowerAscii) {
    if (text.size() != lowerAscii.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = (text[i] >= u'A' && text[i] <= u'Z') ? text[i] + (u'a' - u'A') : text[i];
        if (c != lowerAscii[i]) return false;
    }
    return true;
}

// ---- Reading a source as a number ---------------------------------------------------------------

// The value of a scalar source as a number, exact for every integer type and for doubles.
HRESULT NumberOf(const VARIANT& src, long double& value) {
    switch (src.vt) {
        case VT_EMPTY: value = 0; return S_OK;
        case VT_I1: value = src.cVal; return S_OK;
        case VT_UI1: value = src.bVal; return S_OK;
        case VT_I2: value = src.iVal; return S_OK;
        case VT_UI2: value = src.uiVal; return S_OK;
        case VT_I4: value = src.lVal; return S_OK;
        case VT_UI4: value = src.ulVal; return S_OK;
        case VT_INT: value = src.intVal; return S_OK;
        case VT_UINT: value = src.uintVal; return S_OK;
        case VT_I8: value = src.llVal; return S_OK;
        case VT_UI8: value = src.ullVal; return S_OK;
        case VT_R4: value = src.fltVal; return S_OK;
        case VT_R8: value = src.dblVal; return S_OK;
        case VT_DATE: value = src.date; return S_OK;
        case VT_CY: value = static_cast<long double>(src.cyVal.int64) / 10000; return S_OK;
        case VT_BOOL: value = src.boolVal != VARIANT_FALSE ? -1 : 0; return S_OK;
        case VT_BSTR: return ParseNumberText(src.bstrVal, value);
        default: return DISP_E_TYPEMISMATCH;
    }
}

// ---- Writing each target type -------------------------------------------------------------------

template <class T>
HRESULT StoreInteger(long double value, T& slot) {
    const long double rounded = RoundHalfEven(value);
    // The bounds are powers of two (or zero) and thus exact as long doubles.
    constexpr long double kMin = static_cast<long double>(std::numeric_limits<T>::min());
    constexpr long double kLimit = static_cast<long double>(std::numeric_limits<T>::max()) + 1;
    if (!(rounded >= kMin && rounded < kLimit)) return DISP_E_OVERFLOW;
    slot = static_cast<T>(rounded);
    return S_OK;
}

HRESULT ToNumber(const VARIANT& src, VARTYPE vt, VARIANT& out) {
    // VARIANT_TRUE is -1; an unsigned type takes its bits as they are (all ones).
    if (src.vt == VT_BOOL && IsUnsignedType(vt)) {
        out.ullVal = src.boolVal != VARIANT_FALSE ? ~0ULL : 0;
        out.vt = vt;
        if (vt != VT_UI8) out.ullVal &= (1ULL << (8 * platform::com::detail::ValueSize(vt))) - 1;
        return S_OK;
    }
    if (vt == VT_R8 && src.vt == VT_BSTR) {  // read straight as a double: no second rounding
        const HRESULT hr = ParseNumberText(src.bstrVal, out.dblVal);
        if (SUCCEEDED(hr)) out.vt = VT_R8;
        return hr;
    }
    long double value = 0;
    HRESULT hr = NumberOf(src, value);
    if (FAILED(hr)) return hr;
    switch (vt) {
        case VT_I1: hr = StoreInteger(value, out.cVal); break;
        case VT_UI1: hr = StoreInteger(value, out.bVal); break;
        case VT_I2: hr = StoreInteger(value, out.iVal); break;
        case VT_UI2: hr = StoreInteger(value, out.uiVal); break;
        case VT_I4: hr = StoreInteger(value, out.lVal); break;
        case VT_UI4: hr = StoreInteger(value, out.ulVal); break;
        case VT_INT: hr = StoreInteger(value, out.intVal); break;
        case VT_UINT: hr = StoreInteger(value, out.uintVal); break;
        case VT_I8: hr = StoreInteger(value, out.llVal); break;
        case VT_UI8: hr = StoreInteger(value, out.ullVal); break;
        case VT_CY:  // scaled in double arithmetic, as automation scales currency
            hr = StoreInteger(static_cast<long double>(static_cast<double>(value) * 10000.0), out.cyVal.int64);
            break;
        case VT_R4:
            if (std::isfinite(value) && std::fabs(value) > FLT_MAX) return DISP_E_OVERFLOW;
            out.fltVal = static_cast<FLOAT>(value);
            break;
        case VT_R8:
            out.dblVal = static_cast<DOUBLE>(value);
            break;
        default:
            return DISP_E_TYPEMISMATCH;
    }
    if (SUCCEEDED(hr)) out.vt = vt;
    return hr;
}

HRESULT ToBool(const VARIANT& src, VARIANT& out) {
    if (src.vt == VT_BSTR) {
        const std::u16string_view text = Trim(std::u16string_view(src.bstrVal == nullptr ? u"" : src.bstrVal,
                                                                  SysStringLen(src.bstrVal)));
        if (EqualsIgnoringCase(text, u"true") || EqualsIgnoringCase(text, u"#true#")) {
            out.boolVal = VARIANT_TRUE;
        } else if (EqualsIgnoringCase(text, u"false") || EqualsIgnoringCase(text, u"#false#")) {
            out.boolVal = VARIANT_FALSE;
        } else {
            double number = 0;
            const HRESULT hr = ParseNumberText(src.bstrVal, number);
            if (hr == DISP_E_TYPEMISMATCH) return hr;
            out.boolVal = (FAILED(hr) || number != 0) ? VARIANT_TRUE : VARIANT_FALSE;  // overflow: huge, not 0
        }
    } else {
        long double value = 0;
        const HRESULT hr = NumberOf(src, value);
        if (FAILED(hr)) return hr;
        out.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    }
    out.vt = VT_BOOL;
    return S_OK;
}

HRESULT ToDate(const VARIANT& src, LCID lcid, VARIANT& out) {
    if (src.vt == VT_BSTR) {
        const HRESULT hr = VarDateFromStr(src.bstrVal == nullptr ? u"" : src.bstrVal, lcid, 0, &out.date);
        if (SUCCEEDED(hr)) out.vt = VT_DATE;
        return hr;
    }
    long double value = 0;
    const HRESULT hr = NumberOf(src, value);
    if (FAILED(hr)) return hr;
    // 1 January 100 to 31 December 9999, the fraction being the time of that day.
    if (!(value > -657435.0L && value < 2958466.0L)) return DISP_E_OVERFLOW;
    out.date = static_cast<DATE>(value);
    out.vt = VT_DATE;
    return S_OK;
}

HRESULT ToText(const VARIANT& src, LCID lcid, USHORT flags, VARIANT& out) {
    switch (src.vt) {
        case VT_EMPTY: return NewBstr(u"", out);
        case VT_BOOL:
            if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))
                return NewBstr(src.boolVal != VARIANT_FALSE ? u"True" : u"False", out);
            return NewBstr(src.boolVal != VARIANT_FALSE ? u"-1" : u"0", out);
        case VT_DATE: {
            const HRESULT hr = VarBstrFromDate(src.date, lcid, 0, &out.bstrVal);
            if (SUCCEEDED(hr)) out.vt = VT_BSTR;
            return hr;
        }
        case VT_R4: return NewBstr(FormatReal(src.fltVal, 7), out);
        case VT_R8: return NewBstr(FormatReal(src.dblVal, 15), out);
        case VT_CY: return NewBstr(FormatCurrency(src.cyVal.int64), out);
        case VT_I1: return NewBstr(Widen(std::to_string(src.cVal)), out);
        case VT_UI1: return NewBstr(Widen(std::to_string(src.bVal)), out);
        case VT_I2: return NewBstr(Widen(std::to_string(src.iVal)), out);
        case VT_UI2: return NewBstr(Widen(std::to_string(src.uiVal)), out);
        case VT_I4: return NewBstr(Widen(std::to_string(src.lVal)), out);
        case VT_UI4: return NewBstr(Widen(std::to_string(src.ulVal)), out);
        case VT_INT: return NewBstr(Widen(std::to_string(src.intVal)), out);
        case VT_UINT: return NewBstr(Widen(std::to_string(src.uintVal)), out);
        case VT_I8: return NewBstr(Widen(std::to_string(src.llVal)), out);
        case VT_UI8: return NewBstr(Widen(std::to_string(src.ullVal)), out);
        default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT ToInterface(const VARIANT& src, VARTYPE vt, VARIANT& out) {
    if (src.vt != VT_UNKNOWN && src.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    out.punkVal = nullptr;
    if (src.punkVal != nullptr) {
        const HRESULT hr =
            src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, reinterpret_cast<void**>(&out.punkVal));
        if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    }
    out.vt = vt;
    return S_OK;
}

HRESULT Convert(const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt, VARIANT& out);

// An object stands for the value of its default member (DISPID_VALUE), as automation reads it.
HRESULT ConvertObjectValue(const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt, VARIANT& out) {
    if (src.pdispVal == nullptr || (flags & VARIANT_NOVALUEPROP)) return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = src.pdispVal->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_PROPERTYGET, &none, &value, nullptr,
                                      nullptr);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    if (value.vt == VT_DISPATCH)
        hr = DISP_E_TYPEMISMATCH;  // one level only
    else
        hr = Convert(value, lcid, flags, vt, out);
    VariantClear(&value);
    return hr;
}

// Converts src (no reference) into out (owning nothing yet).
HRESULT Convert(const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt, VARIANT& out) {
    if (vt == VT_EMPTY) return S_OK;  // out is VT_EMPTY already
    if (src.vt == VT_NULL || vt == VT_NULL) {
        if (src.vt != VT_NULL && src.vt != VT_EMPTY) return DISP_E_TYPEMISMATCH;
        if (vt != VT_NULL) return DISP_E_TYPEMISMATCH;
        out.vt = VT_NULL;
        return S_OK;
    }
    if (src.vt == vt) return CopyOwnedValue(out, src);
    if ((src.vt & VT_ARRAY) || (vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
    if (vt == VT_UNKNOWN || vt == VT_DISPATCH) return ToInterface(src, vt, out);
    if (src.vt == VT_DISPATCH) return ConvertObjectValue(src, lcid, flags, vt, out);
    if (vt == VT_BSTR) return ToText(src, lcid, flags, out);
    if (vt == VT_BOOL) return ToBool(src, out);
    if (vt == VT_DATE) return ToDate(src, lcid, out);
    if (IsNumericType(vt)) return ToNumber(src, vt, out);
    return DISP_E_TYPEMISMATCH;  // VT_ERROR, VT_DECIMAL: only to themselves
}

}  // namespace

extern "C" {

HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                                   VARTYPE vt) {
    if (auto injected = platform::fault::Check("VariantChangeTypeEx")) return HRESULT_FROM_WIN32(*injected);
    if (pvargDest == nullptr || pvarSrc == nullptr) return E_INVALIDARG;
    if (!IsValidVariantType(pvarSrc->vt) || !IsValidVariantType(vt) || !IsValidVariantType(pvargDest->vt))
        return DISP_E_BADVARTYPE;
    if (vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
    VARIANT source;
    HRESULT hr = ReadThrough(*pvarSrc, source);
    if (FAILED(hr)) return hr;
    VARIANT converted;
    VariantInit(&converted);
    hr = Convert(source, lcid, wFlags, vt, converted);
    if (FAILED(hr)) return hr;
    // Only now may the destination go: it may be the source itself.
    return platform::com::detail::ReplaceVariant(*pvargDest, converted);
}

HRESULT WINAPI VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
    if (auto injected = platform::fault::Check("VariantChangeType")) return HRESULT_FROM_WIN32(*injected);
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}

}  // extern "C"
