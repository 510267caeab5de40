#include "ValueText.h"

#include "BagFile.h"
#include "Messages.h"
#include "platform/bstr.h"
#include "platform/variant.h"

namespace qlmhost {
namespace {

using platform::com::UniqueBstr;
using platform::com::UniqueVariant;

std::u16string_view TextOf(BSTR text) { return {text ? text : u"", SysStringLen(text)}; }

std::string FormatTextList(SAFEARRAY* array) {
    if (array == nullptr) return "[]";
    LONG lower = 0, upper = -1;
    if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper)))
        return "[?]";
    std::string text = "[";
    for (LONG i = lower; i <= upper; ++i) {
        UniqueBstr item;
        if (FAILED(SafeArrayGetElement(array, &i, item.Put()))) return "[?]";
        if (i > lower) text += ", ";
        text += Quote(TextOf(item.Get()));
    }
    return text + "]";
}

}  // namespace

std::string FormatValue(const VARIANT& value) {
    UniqueVariant plain;
    if (FAILED(VariantCopyInd(plain.Put(), &value))) return "?";
    const VARIANT& v = *plain.Get();
    switch (v.vt) {
        case VT_EMPTY: return "";
        case VT_NULL: return "Null";
        case VT_BOOL: return v.boolVal != VARIANT_FALSE ? "True" : "False";
        case VT_BSTR: return Narrow(TextOf(v.bstrVal));
        case VT_DATE: {
            std::string text;
            if (SUCCEEDED(FormatIsoDate(v.date, text))) return text;
            break;
        }
        case VT_ARRAY | VT_BSTR: return FormatTextList(v.parray);
        default: break;
    }
    UniqueVariant text;
    if (SUCCEEDED(VariantChangeType(text.Put(), &v, 0, VT_BSTR))) return Narrow(TextOf(text->bstrVal));
    return "<" + TypeName(v.vt) + ">";
}

std::string TypeName(VARTYPE vt) {
    switch (vt & ~VT_BYREF) {
        case VT_EMPTY: return "Empty";
        case VT_NULL: return "Null";
        case VT_I2: return "short";
        case VT_I4: return "long";
        case VT_R4: return "float";
        case VT_R8: return "double";
        case VT_DATE: return "DATE";
        case VT_BSTR: return "BSTR";
        case VT_BOOL: return "VARIANT_BOOL";
        case VT_VARIANT: return "VARIANT";
        case VT_UNKNOWN: return "IUnknown";
        case VT_DISPATCH: return "IDispatch";
        case VT_ARRAY | VT_BSTR: return "SAFEARRAY of BSTR";
        default: return "type " + std::to_string(vt);
    }
}

HRESULT ValueFromText(std::u16string_view text, VARTYPE vt, UniqueVariant& value) {
    UniqueVariant source = UniqueVariant::FromString(text);
    if (source.Type() != VT_BSTR) return E_OUTOFMEMORY;
    if (vt == VT_EMPTY || vt == VT_VARIANT || vt == VT_BSTR) {
        value = std::move(source);
        return S_OK;
    }
    UniqueVariant converted;
    const HRESULT hr = VariantChangeType(converted.Put(), source.Get(), 0, vt);
    if (FAILED(hr)) return hr;
    value = std::move(converted);
    return S_OK;
}

}  // namespace qlmhost
