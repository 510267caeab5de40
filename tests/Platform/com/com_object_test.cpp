#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/com_object.h"
#include "platform/com_ptr.h"

namespace {

// {0C5B1E7A-4D2F-4A8B-9C31-7E6F5A4B3C21} and siblings: interfaces of this test only.
constexpr IID IID_IShape = {0x0C5B1E7A, 0x4D2F, 0x4A8B, {0x9C, 0x31, 0x7E, 0x6F, 0x5A, 0x4B, 0x3C, 0x21}};
constexpr IID IID_ISolid = {0x0C5B1E7A, 0x4D2F, 0x4A8B, {0x9C, 0x31, 0x7E, 0x6F, 0x5A, 0x4B, 0x3C, 0x22}};
constexpr IID IID_INamed = {0x0C5B1E7A, 0x4D2F, 0x4A8B, {0x9C, 0x31, 0x7E, 0x6F, 0x5A, 0x4B, 0x3C, 0x23}};
constexpr IID IID_IOther = {0x0C5B1E7A, 0x4D2F, 0x4A8B, {0x9C, 0x31, 0x7E, 0x6F, 0x5A, 0x4B, 0x3C, 0x24}};

interface IShape : public IUnknown {
    STDMETHOD_(LONG, Corners)() PURE;
};
interface ISolid : public IShape {
    STDMETHOD_(LONG, Faces)() PURE;
};
interface INamed : public IUnknown {
    STDMETHOD_(LONG, NameLength)() PURE;
};

}  // namespace

QLM_DECLARE_INTERFACE(IShape, IID_IShape);
QLM_DECLARE_INTERFACE_BASE(ISolid, IID_ISolid, IShape);
QLM_DECLARE_INTERFACE(INamed, IID_INamed);

namespace {

using platform::com::ComPtr;
using platform::com::Make;

class Cube final : public platform::com::Implements<Cube, ISolid, INamed> {
public:
    explicit Cube(bool* destroyed = nullptr) : destroyed_(destroyed) {}
    ~Cube() {
        if (destroyed_ != nullptr) *destroyed_ = true;
    }
    STDMETHODIMP_(LONG) Corners() override { return 8; }
    STDMETHODIMP_(LONG) Faces() override { return 6; }
    STDMETHODIMP_(LONG) NameLength() override { return 4; }

private:
    bool* destroyed_;
};

// The test program's own module counts: no other test object may be alive between tests.
class ComObjectTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(platform::com::ModuleObjectCount(), 0); }
    void TearDown() override { EXPECT_EQ(platform::com::ModuleCanUnloadNow(), S_OK); }
};

TEST_F(ComObjectTest, QueryInterfaceAnswersListedInterfacesAndWhatTheyExtend) {
    ComPtr<Cube> cube = Make<Cube>();
    ASSERT_TRUE(cube);
    struct Case {
        const IID* iid;
        void* expected;
    };
    const Case cases[] = {
        {&IID_ISolid, static_cast<ISolid*>(cube.Get())},
        {&IID_IShape, static_cast<IShape*>(static_cast<ISolid*>(cube.Get()))},
        {&IID_INamed, static_cast<INamed*>(cube.Get())},
    };
    for (const Case& c : cases) {
        void* p = nullptr;
        ASSERT_EQ(cube->QueryInterface(*c.iid, &p), S_OK);
        EXPECT_EQ(p, c.expected);
        static_cast<IUnknown*>(p)->Release();
    }
    // Calls through the answered pointers land in the right methods.
    ComPtr<INamed> named;
    ASSERT_EQ(cube.As(&named), S_OK);
    EXPECT_EQ(named->NameLength(), 4);
    ComPtr<IShape> shape;
    ASSERT_EQ(named.As(&shape), S_OK);
    EXPECT_EQ(shape->Corners(), 8);
}

TEST_F(ComObjectTest, IUnknownIsTheSamePointerFromEveryInterface) {
    ComPtr<Cube> cube = Make<Cube>();
    IUnknown* fromSolid = nullptr;
    IUnknown* fromNamed = nullptr;
    ASSERT_EQ(static_cast<ISolid*>(cube.Get())->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromSolid)), S_OK);
    ASSERT_EQ(static_cast<INamed*>(cube.Get())->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromNamed)), S_OK);
    EXPECT_EQ(fromSolid, fromNamed);
    EXPECT_EQ(fromSolid, static_cast<IUnknown*>(static_cast<ISolid*>(cube.Get())));
    fromSolid->Release();
    fromNamed->Release();
}

TEST_F(ComObjectTest, UnknownInterfaceIsRefusedWithANullOut) {
    ComPtr<Cube> cube = Make<Cube>();
    void* p = &p;
    EXPECT_EQ(cube->QueryInterface(IID_IOther, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(cube->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(cube->QueryInterface(IID_ISolid, nullptr), E_POINTER);
}

TEST_F(ComObjectTest, LastReleaseDestroysAndCountsFollow) {
    bool destroyed = false;
    Cube* raw = Make<Cube>(&destroyed).Detach();
    EXPECT_EQ(platform::com::ModuleObjectCount(), 1);
    EXPECT_EQ(platform::com::ModuleCanUnloadNow(), S_FALSE);
    EXPECT_EQ(raw->AddRef(), 2u);
    EXPECT_EQ(raw->Release(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(platform::com::ModuleObjectCount(), 0);
}

TEST_F(ComObjectTest, ReferenceCountIsAtomic) {
    bool destroyed = false;
    ComPtr<Cube> cube = Make<Cube>(&destroyed);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([raw = cube.Get()] {
            for (int i = 0; i < 20000; ++i) {
                raw->AddRef();
                raw->Release();
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(cube->AddRef(), 2u);
    cube->Release();
    cube.Reset();
    EXPECT_TRUE(destroyed);
}

TEST_F(ComObjectTest, ComPtrCopiesCountAndMovesDoNot) {
    bool destroyed = false;
    ComPtr<Cube> a = Make<Cube>(&destroyed);
    ComPtr<Cube> b = a;
    EXPECT_EQ(a->AddRef(), 3u);
    a->Release();
    ComPtr<Cube> c = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(c->AddRef(), 3u);
    c->Release();
    ComPtr<ISolid> solid = c;  // converting copy
    b.Reset();
    c.Reset();
    EXPECT_FALSE(destroyed);
    solid = nullptr;
    EXPECT_TRUE(destroyed);
}

TEST_F(ComObjectTest, IidPpvArgsNamesThePointersInterface) {
    ComPtr<Cube> cube = Make<Cube>();
    INamed* named = nullptr;
    ASSERT_EQ(cube->QueryInterface(IID_PPV_ARGS(&named)), S_OK);
    EXPECT_EQ(named->NameLength(), 4);
    named->Release();
}

TEST_F(ComObjectTest, FactoryCreatesRefusesAggregationAndLeavesNothingOnFailure) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(platform::com::GetClassObject<Cube>(IID_PPV_ARGS(factory.GetAddressOf())), S_OK);

    ComPtr<INamed> named;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(named.GetAddressOf())), S_OK);
    EXPECT_EQ(named->NameLength(), 4);
    EXPECT_EQ(platform::com::ModuleObjectCount(), 2);  // the factory and the cube
    named.Reset();

    void* p = &p;
    EXPECT_EQ(factory->CreateInstance(factory.Get() /* any outer object */, IID_IUnknown, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(p, nullptr);
    p = &p;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IOther, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(platform::com::ModuleObjectCount(), 1);  // only the factory: the refused cube is gone
}

TEST_F(ComObjectTest, LockServerHoldsTheModule) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(platform::com::GetClassObject<Cube>(IID_PPV_ARGS(factory.GetAddressOf())), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(platform::com::ModuleObjectCount(), 0);
    EXPECT_EQ(platform::com::ModuleCanUnloadNow(), S_FALSE);
    platform::com::LockModule(false);
}

}  // namespace
