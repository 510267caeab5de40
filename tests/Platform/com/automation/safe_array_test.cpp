#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "oleauto.h"
#include "platform/fault_injection.h"
#include "platform/safe_array.h"
#include "platform/variant.h"
#include "variant_values.h"

namespace {

using automation_test::Text;
using platform::com::UniqueSafeArray;
using platform::com::UniqueVariant;

static_assert(offsetof(SAFEARRAY, cDims) == 0);
static_assert(offsetof(SAFEARRAY, fFeatures) == 2);
static_assert(offsetof(SAFEARRAY, cbElements) == 4);
static_assert(offsetof(SAFEARRAY, cLocks) == 8);
static_assert(offsetof(SAFEARRAY, pvData) == 16);
static_assert(offsetof(SAFEARRAY, rgsabound) == 24);

// A vector of texts with its lower bound, filled with `texts`.
UniqueSafeArray TextVector(LONG lowerBound, const std::vector<std::u16string>& texts) {
    UniqueSafeArray array(SafeArrayCreateVector(VT_BSTR, lowerBound, static_cast<ULONG>(texts.size())));
    for (LONG i = 0; array && i < static_cast<LONG>(texts.size()); ++i) {
        BSTR s = SysAllocString(texts[i].c_str());
        LONG index = lowerBound + i;
        EXPECT_EQ(SafeArrayPutElement(array.Get(), &index, s), S_OK);
        SysFreeString(s);
    }
    return array;
}

std::vector<std::u16string> TextsOf(SAFEARRAY* psa) {
    LONG lower = 0;
    LONG upper = -1;
    EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(psa, 1, &upper), S_OK);
    std::vector<std::u16string> texts;
    for (LONG i = lower; i <= upper; ++i) {
        BSTR s = nullptr;
        EXPECT_EQ(SafeArrayGetElement(psa, &i, &s), S_OK);
        texts.emplace_back(Text(s));
        SysFreeString(s);
    }
    return texts;
}

TEST(SafeArray, VectorOfTextHasTheWindowsDescriptor) {
    UniqueSafeArray array(SafeArrayCreateVector(VT_BSTR, 1, 3));
    ASSERT_TRUE(array);
    SAFEARRAY* psa = array.Get();
    EXPECT_EQ(psa->cDims, 1);
    EXPECT_EQ(psa->cbElements, sizeof(BSTR));
    EXPECT_EQ(psa->cLocks, 0u);
    EXPECT_EQ(psa->fFeatures & (FADF_BSTR | FADF_HAVEVARTYPE), FADF_BSTR | FADF_HAVEVARTYPE);
    EXPECT_EQ(psa->rgsabound[0].cElements, 3u);
    EXPECT_EQ(psa->rgsabound[0].lLbound, 1);
    VARTYPE vt = VT_EMPTY;
    ASSERT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
    EXPECT_EQ(vt, VT_BSTR);
    EXPECT_EQ(SafeArrayGetDim(psa), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(psa), sizeof(BSTR));
    // New elements are null strings.
    for (BSTR s : {static_cast<BSTR*>(psa->pvData)[0], static_cast<BSTR*>(psa->pvData)[2]}) EXPECT_EQ(s, nullptr);
}

TEST(SafeArray, ElementsGoInAndOutAsCopies) {
    UniqueSafeArray array(SafeArrayCreateVector(VT_BSTR, 0, 2));
    ASSERT_TRUE(array);
    BSTR original = SysAllocString(u"reader@example.com");
    LONG index = 1;
    ASSERT_EQ(SafeArrayPutElement(array.Get(), &index, original), S_OK);
    original[0] = u'R';  // the array holds its own copy
    BSTR stored = static_cast<BSTR*>(array.Get()->pvData)[1];
    EXPECT_NE(stored, original);
    EXPECT_EQ(Text(stored), u"reader@example.com");
    SysFreeString(original);

    BSTR out = nullptr;
    ASSERT_EQ(SafeArrayGetElement(array.Get(), &index, &out), S_OK);
    EXPECT_NE(out, stored);
    EXPECT_EQ(Text(out), u"reader@example.com");
    SysFreeString(out);

    // Putting over an element frees the old text; putting the element onto itself keeps it.
    ASSERT_EQ(SafeArrayPutElement(array.Get(), &index, stored), S_OK);
    EXPECT_EQ(TextsOf(array.Get()), (std::vector<std::u16string>{u"", u"reader@example.com"}));
    ASSERT_EQ(SafeArrayPutElement(array.Get(), &index, nullptr), S_OK);
    EXPECT_EQ(static_cast<BSTR*>(array.Get()->pvData)[1], nullptr);
}

TEST(SafeArray, IndexesOutsideTheBoundsAreRefused) {
    UniqueSafeArray array = TextVector(5, {u"a", u"b"});
    ASSERT_TRUE(array);
    BSTR out = nullptr;
    for (LONG index : {4, 7, -1}) {
        EXPECT_EQ(SafeArrayGetElement(array.Get(), &index, &out), DISP_E_BADINDEX) << index;
        EXPECT_EQ(SafeArrayPutElement(array.Get(), &index, nullptr), DISP_E_BADINDEX) << index;
    }
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetLBound(array.Get(), 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(array.Get(), 2, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &bound), E_INVALIDARG);
}

struct RedimCase {
    const char* name;
    LONG newLower;
    ULONG newCount;
    std::vector<std::u16string> expected;
};

class SafeArrayRedimTest : public testing::TestWithParam<RedimCase> {};

// The dropped elements are freed (LeakSanitizer would see them), the kept ones keep their text, the
// new ones start as null strings.
TEST_P(SafeArrayRedimTest, KeepsWhatStaysAndFreesWhatGoes) {
    const RedimCase& c = GetParam();
    UniqueSafeArray array = TextVector(0, {u"one", u"two", u"three"});
    ASSERT_TRUE(array);
    SAFEARRAYBOUND bound{c.newCount, c.newLower};
    ASSERT_EQ(SafeArrayRedim(array.Get(), &bound), S_OK);
    LONG lower = 99;
    ASSERT_EQ(SafeArrayGetLBound(array.Get(), 1, &lower), S_OK);
    EXPECT_EQ(lower, c.newLower);
    EXPECT_EQ(TextsOf(array.Get()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SafeArrayRedimTest, testing::Values(
    RedimCase{"Grow", 0, 5, {u"one", u"two", u"three", u"", u""}},
    RedimCase{"Shrink", 0, 1, {u"one"}},
    RedimCase{"Same", 0, 3, {u"one", u"two", u"three"}},
    RedimCase{"Empty", 0, 0, {}},
    RedimCase{"NewLowerBound", 1, 2, {u"one", u"two"}}),
    [](const testing::TestParamInfo<RedimCase>& info) { return info.param.name; });

TEST(SafeArray, RedimGrowsAgainAfterShrinkingToNothing) {
    UniqueSafeArray array = TextVector(0, {u"one"});
    SAFEARRAYBOUND none{0, 0};
    ASSERT_EQ(SafeArrayRedim(array.Get(), &none), S_OK);
    SAFEARRAYBOUND two{2, 0};
    ASSERT_EQ(SafeArrayRedim(array.Get(), &two), S_OK);
    EXPECT_EQ(TextsOf(array.Get()), (std::vector<std::u16string>{u"", u""}));
}

TEST(SafeArray, LockedArrayCanNeitherBeResizedNorDestroyed) {
    UniqueSafeArray array = TextVector(0, {u"one", u"two"});
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.Get(), &data), S_OK);
    EXPECT_EQ(data, array.Get()->pvData);
    SAFEARRAYBOUND bound{1, 0};
    EXPECT_EQ(SafeArrayRedim(array.Get(), &bound), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayDestroy(array.Get()), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(TextsOf(array.Get()), (std::vector<std::u16string>{u"one", u"two"}));
    ASSERT_EQ(SafeArrayUnaccessData(array.Get()), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array.Get()), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayRedim(array.Get(), &bound), S_OK);
    EXPECT_EQ(SafeArrayRedim(array.Get(), nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayRedim(nullptr, &bound), E_INVALIDARG);
}

TEST(SafeArray, CopyIsDeep) {
    UniqueSafeArray array = TextVector(2, {u"alpha", u"beta"});
    UniqueSafeArray copy;
    ASSERT_EQ(SafeArrayCopy(array.Get(), copy.Put()), S_OK);
    ASSERT_TRUE(copy);
    EXPECT_NE(static_cast<BSTR*>(copy.Get()->pvData)[0], static_cast<BSTR*>(array.Get()->pvData)[0]);
    EXPECT_EQ(TextsOf(copy.Get()), (std::vector<std::u16string>{u"alpha", u"beta"}));
    array.Reset();  // the copy outlives its source
    EXPECT_EQ(TextsOf(copy.Get()), (std::vector<std::u16string>{u"alpha", u"beta"}));

    ASSERT_EQ(SafeArrayCopy(nullptr, copy.Put()), S_OK);
    EXPECT_FALSE(copy);
}

TEST(SafeArray, CopyThatRunsOutOfMemoryLeavesNothing) {
    UniqueSafeArray array = TextVector(0, {u"alpha", u"beta", u"gamma"});
    platform::fault::Scoped fault("SysAllocStringByteLen", 0, 2);
    SAFEARRAY* copy = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(SafeArrayCopy(array.Get(), &copy), E_OUTOFMEMORY);
    EXPECT_EQ(copy, nullptr);
}

TEST(SafeArray, VariantElementsAreCopiedAndCleared) {
    UniqueSafeArray array(SafeArrayCreateVector(VT_VARIANT, 0, 2));
    ASSERT_TRUE(array);
    EXPECT_EQ(array.Get()->cbElements, sizeof(VARIANT));
    UniqueVariant text = UniqueVariant::FromString(u"held");
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(array.Get(), &index, text.Get()), S_OK);
    UniqueVariant out;
    ASSERT_EQ(SafeArrayGetElement(array.Get(), &index, out.Get()), S_OK);
    ASSERT_EQ(out.Type(), VT_BSTR);
    EXPECT_NE(out->bstrVal, text->bstrVal);
    EXPECT_EQ(Text(out->bstrVal), u"held");
    index = 1;
    ASSERT_EQ(SafeArrayGetElement(array.Get(), &index, out.Put()), S_OK);
    EXPECT_EQ(out.Type(), VT_EMPTY);
}

// Two dimensions: bounds given left-most first are stored in reverse, and the left-most index varies
// fastest in memory.
TEST(SafeArray, TwoDimensionsKeepTheWindowsOrder) {
    SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 0}};
    UniqueSafeArray array(SafeArrayCreate(VT_I4, 2, bounds));
    ASSERT_TRUE(array);
    EXPECT_EQ(array.Get()->rgsabound[0].cElements, 3u);
    EXPECT_EQ(array.Get()->rgsabound[1].lLbound, 1);
    LONG bound = 0;
    ASSERT_EQ(SafeArrayGetLBound(array.Get(), 1, &bound), S_OK);
    EXPECT_EQ(bound, 1);
    ASSERT_EQ(SafeArrayGetUBound(array.Get(), 2, &bound), S_OK);
    EXPECT_EQ(bound, 2);

    for (LONG i = 1; i <= 2; ++i)
        for (LONG j = 0; j <= 2; ++j) {
            LONG index[2] = {i, j};
            LONG value = i * 10 + j;
            ASSERT_EQ(SafeArrayPutElement(array.Get(), index, &value), S_OK);
        }
    const auto* data = static_cast<const LONG*>(array.Get()->pvData);
    EXPECT_EQ(std::vector<LONG>(data, data + 6), (std::vector<LONG>{10, 20, 11, 21, 12, 22}));

    // Growing the right-most dimension keeps every element where it was.
    SAFEARRAYBOUND wider{4, 0};
    ASSERT_EQ(SafeArrayRedim(array.Get(), &wider), S_OK);
    LONG index[2] = {2, 2};
    LONG value = 0;
    ASSERT_EQ(SafeArrayGetElement(array.Get(), index, &value), S_OK);
    EXPECT_EQ(value, 22);
    index[1] = 3;
    ASSERT_EQ(SafeArrayGetElement(array.Get(), index, &value), S_OK);
    EXPECT_EQ(value, 0);
}

TEST(SafeArray, CreationFailures) {
    SAFEARRAYBOUND bound{1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_LPSTR, 1, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_BSTR, 0, &bound), nullptr);
    platform::fault::Scoped fault("SafeArrayCreate", 0);
    EXPECT_EQ(SafeArrayCreateVector(VT_BSTR, 0, 1), nullptr);
}

}  // namespace
