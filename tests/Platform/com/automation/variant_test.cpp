#include <gtest/gtest.h>

#include <cstddef>

#include "oleauto.h"
#include "platform/com_object.h"
#include "platform/fault_injection.h"
#include "platform/safe_array.h"
#include "platform/variant.h"
#include "variant_values.h"

namespace {

using automation_test::Text;
using platform::com::ComPtr;
using platform::com::UniqueVariant;

// The layout a client compiled against the Windows headers expects.
static_assert(sizeof(VARIANT) == 24);
static_assert(offsetof(VARIANT, vt) == 0);
static_assert(offsetof(VARIANT, wReserved1) == 2);
static_assert(offsetof(VARIANT, lVal) == 8);
static_assert(offsetof(VARIANT, bstrVal) == 8);
static_assert(offsetof(VARIANT, pvRecord) == 8 && offsetof(VARIANT, pRecInfo) == 16);
static_assert(offsetof(VARIANT, decVal.Hi32) == 4 && offsetof(VARIANT, decVal.Lo64) == 8);

class Counted final : public platform::com::Implements<Counted, IUnknown> {
public:
    ULONG References() {
        AddRef();
        return Release();
    }
};

TEST(Variant, InitLeavesItEmpty) {
    VARIANT v;
    v.vt = VT_I4;
    v.wReserved1 = 7;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(v.wReserved1, 0);
}

TEST(Variant, ClearFreesWhatItOwnsAndNothingElse) {
    ComPtr<Counted> object = platform::com::Make<Counted>();
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = object.Get();
    object->AddRef();
    ASSERT_EQ(object->References(), 2u);
    ASSERT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(object->References(), 1u);

    // A reference is not the variant's to free.
    BSTR text = SysAllocString(u"mine");
    v.vt = VT_BYREF | VT_BSTR;
    v.pbstrVal = &text;
    ASSERT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(Text(text), u"mine");
    SysFreeString(text);

    // A text and an array are freed (LeakSanitizer checks).
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"owned");
    ASSERT_EQ(VariantClear(&v), S_OK);
    v.vt = VT_ARRAY | VT_BSTR;
    v.parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
    ASSERT_EQ(VariantClear(&v), S_OK);
}

TEST(Variant, ClearRefusesTypesAVariantCannotHold) {
    for (VARTYPE vt : {VARTYPE(VT_VARIANT), VARTYPE(VT_LPSTR), VARTYPE(VT_BYREF | VT_EMPTY), VARTYPE(0x7FF),
                       VARTYPE(VT_VECTOR | VT_I4)}) {
        VARIANT v;
        VariantInit(&v);
        v.vt = vt;
        EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << vt;
        EXPECT_EQ(v.vt, vt);
    }
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(Variant, CopyIsDeepForTextAndArraysAndCountsReferences) {
    UniqueVariant text = UniqueVariant::FromString(u"copy me");
    UniqueVariant copy = UniqueVariant::FromString(u"replaced");  // freed by the copy
    ASSERT_EQ(VariantCopy(copy.Get(), text.Get()), S_OK);
    ASSERT_EQ(copy.Type(), VT_BSTR);
    EXPECT_NE(copy->bstrVal, text->bstrVal);
    EXPECT_EQ(Text(copy->bstrVal), u"copy me");

    UniqueVariant array;
    array->vt = VT_ARRAY | VT_BSTR;
    array->parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
    ASSERT_EQ(VariantCopy(copy.Get(), array.Get()), S_OK);
    EXPECT_NE(copy->parray, array->parray);

    ComPtr<Counted> object = platform::com::Make<Counted>();
    UniqueVariant unknown;
    unknown->vt = VT_UNKNOWN;
    unknown->punkVal = object.Get();
    object->AddRef();
    ASSERT_EQ(VariantCopy(copy.Get(), unknown.Get()), S_OK);
    EXPECT_EQ(copy->punkVal, object.Get());
    EXPECT_EQ(object->References(), 3u);

    // A reference is copied as the reference.
    LONG number = 5;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BYREF | VT_I4;
    ref.plVal = &number;
    ASSERT_EQ(VariantCopy(copy.Get(), &ref), S_OK);
    EXPECT_EQ(object->References(), 2u);
    EXPECT_EQ(copy->plVal, &number);

    EXPECT_EQ(VariantCopy(text.Get(), text.Get()), S_OK);
    EXPECT_EQ(Text(text->bstrVal), u"copy me");
}

TEST(Variant, CopyThatRunsOutOfMemoryLeavesTheDestinationEmpty) {
    UniqueVariant text = UniqueVariant::FromString(u"copy me");
    UniqueVariant copy = UniqueVariant::FromLong(1);
    platform::fault::Scoped fault("SysAllocStringByteLen", 0);
    EXPECT_EQ(VariantCopy(copy.Get(), text.Get()), E_OUTOFMEMORY);
    EXPECT_EQ(copy.Type(), VT_EMPTY);
}

TEST(Variant, CopyIndCopiesWhatAReferenceRefersTo) {
    BSTR text = SysAllocString(u"referred");
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &text;
    UniqueVariant copy;
    ASSERT_EQ(VariantCopyInd(copy.Get(), &ref), S_OK);
    ASSERT_EQ(copy.Type(), VT_BSTR);
    EXPECT_NE(copy->bstrVal, text);
    EXPECT_EQ(Text(copy->bstrVal), u"referred");

    // In place: the reference becomes an owned value.
    ASSERT_EQ(VariantCopyInd(&ref, &ref), S_OK);
    ASSERT_EQ(ref.vt, VT_BSTR);
    EXPECT_NE(ref.bstrVal, text);
    VariantClear(&ref);
    SysFreeString(text);

    UniqueVariant inner = UniqueVariant::FromDouble(2.5);
    ref.vt = VT_BYREF | VT_VARIANT;
    ref.pvarVal = inner.Get();
    ASSERT_EQ(VariantCopyInd(copy.Get(), &ref), S_OK);
    EXPECT_EQ(copy.Type(), VT_R8);
    EXPECT_EQ(copy->dblVal, 2.5);

    // One level only: a reference to a reference is refused.
    VARIANT second;
    VariantInit(&second);
    second.vt = VT_BYREF | VT_VARIANT;
    second.pvarVal = inner.Get();
    ref.pvarVal = &second;
    EXPECT_EQ(VariantCopyInd(copy.Get(), &ref), E_INVALIDARG);

    // Not a reference: a plain copy.
    ASSERT_EQ(VariantCopyInd(copy.Get(), inner.Get()), S_OK);
    EXPECT_EQ(copy->dblVal, 2.5);
}

TEST(UniqueVariant, ReleaseHandsTheValueOver) {
    UniqueVariant text = UniqueVariant::FromString(u"handed");
    VARIANT raw = text.Release();
    EXPECT_EQ(text.Type(), VT_EMPTY);
    UniqueVariant adopted = UniqueVariant::Adopt(raw);
    EXPECT_EQ(Text(adopted->bstrVal), u"handed");
}

}  // namespace
