#include <gtest/gtest.h>

#include <cstring>

#include "combaseapi.h"
#include "oleauto.h"
#include "platform/com_object.h"
#include "propidl.h"

namespace {

bool IsCleared(const PROPVARIANT& v) {
    PROPVARIANT empty;
    std::memset(&empty, 0, sizeof(empty));
    return std::memcmp(&v, &empty, sizeof(v)) == 0;
}

template <class T>
T* TaskAlloc(std::size_t count) {
    return static_cast<T*>(CoTaskMemAlloc(count * sizeof(T)));
}

// An object that counts its Releases, to show that a VT_UNKNOWN value gives up its reference.
class Counted final : public platform::com::Implements<Counted, IUnknown> {};

TEST(PropVariantClear, FreesWhatTheValueOwnsAndLeavesItEmpty) {
    // The leak check of the sanitizer build shows that each of these is freed.
    PROPVARIANT values[6];
    for (auto& v : values) PropVariantInit(&v);
    values[0].vt = VT_LPSTR;
    values[0].pszVal = TaskAlloc<char>(8);
    values[1].vt = VT_LPWSTR;
    values[1].pwszVal = TaskAlloc<WCHAR>(8);
    values[2].vt = VT_BSTR;
    values[2].bstrVal = SysAllocString(u"bstr");
    values[3].vt = VT_BLOB;
    values[3].blob = {16, TaskAlloc<BYTE>(16)};
    values[4].vt = VT_CLSID;
    values[4].puuid = TaskAlloc<CLSID>(1);
    values[5].vt = VT_FILETIME;
    values[5].filetime = {1, 2};
    for (auto& v : values) {
        EXPECT_EQ(PropVariantClear(&v), S_OK);
        EXPECT_TRUE(IsCleared(v));
    }
}

TEST(PropVariantClear, ReleasesAnInterface) {
    auto object = platform::com::Make<Counted>();
    PROPVARIANT v;
    PropVariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = object.Get();
    v.punkVal->AddRef();
    EXPECT_EQ(PropVariantClear(&v), S_OK);
    EXPECT_EQ(object->AddRef(), 2u);  // only the test's own reference is left (plus this one)
    object->Release();
}

TEST(PropVariantClear, RefusesTypesItDoesNotKnowAndLeavesThemAlone) {
    PROPVARIANT v;
    PropVariantInit(&v);
    v.vt = VT_VECTOR | VT_I4;
    v.lVal = 42;
    EXPECT_EQ(PropVariantClear(&v), STG_E_INVALIDPARAMETER);
    EXPECT_EQ(v.vt, VT_VECTOR | VT_I4);
    EXPECT_EQ(v.lVal, 42);
}

TEST(FreePropVariantArray, ClearsEveryValueAndReportsARefusal) {
    PROPVARIANT values[3];
    for (auto& v : values) PropVariantInit(&v);
    values[0].vt = VT_LPSTR;
    values[0].pszVal = TaskAlloc<char>(4);
    values[1].vt = VT_BYREF | VT_I4;
    values[2].vt = VT_LPWSTR;
    values[2].pwszVal = TaskAlloc<WCHAR>(4);
    EXPECT_EQ(FreePropVariantArray(3, values), STG_E_INVALIDPARAMETER);
    EXPECT_TRUE(IsCleared(values[0]));
    EXPECT_TRUE(IsCleared(values[2]));  // cleared past the refused one
    EXPECT_EQ(FreePropVariantArray(0, nullptr), S_OK);
}

}  // namespace
