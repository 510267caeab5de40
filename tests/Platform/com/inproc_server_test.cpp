#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>

#include "combaseapi.h"
#include "platform/class_registry.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/fault_injection.h"
#include "registry_environment.h"
#include "test_counter.h"
#include "winerror.h"

namespace {

namespace com = platform::com;
using com::ComPtr;

// {9E8D7C6B-5A49-4382-B1F0-E9D8C7B6A594}: served by nobody.
constexpr CLSID kUnregistered = {0x9E8D7C6B, 0x5A49, 0x4382, {0xB1, 0xF0, 0xE9, 0xD8, 0xC7, 0xB6, 0xA5, 0x94}};

bool ServerLoaded() {
    void* handle = ::dlopen(QLM_TEST_SERVER, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) ::dlclose(handle);
    return handle != nullptr;
}

// The loaded test server's own DllCanUnloadNow.
HRESULT ServerCanUnloadNow() {
    void* handle = ::dlopen(QLM_TEST_SERVER, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return E_UNEXPECTED;
    auto canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(::dlsym(handle, "DllCanUnloadNow"));
    const HRESULT hr = canUnloadNow();
    ::dlclose(handle);
    return hr;
}

class InprocServerTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override {
        CoFreeUnusedLibraries();
        EXPECT_FALSE(ServerLoaded()) << "a test left an object of the test server alive";
        CoUninitialize();
    }

    HRESULT Create(REFCLSID clsid, ComPtr<ITestCounter>& counter, IUnknown* outer = nullptr) {
        return CoCreateInstance(clsid, outer, CLSCTX_ALL, IID_PPV_ARGS(counter.ReleaseAndGetAddressOf()));
    }
    // An entry in this test's $QLM_COM_REGISTRY, which outranks the build tree's.
    void RegisterInTestFolder(REFCLSID clsid, const std::string& serverPath) {
        env_.UseTestRegistry();
        ASSERT_EQ(com::WriteRegistryEntry(com::RegistryKind::Class, clsid,
                                          {{com::kInprocServer32, serverPath}, {com::kThreadingModel, "Both"}}),
                  S_OK);
    }

    comtest::RegistryEnvironment env_;
};

TEST_F(InprocServerTest, CreatesFromTheBuildTreesRegistryWithNothingSet) {
    ComPtr<ITestCounter> counter;
    ASSERT_EQ(Create(CLSID_TestCounter, counter), S_OK);
    ASSERT_TRUE(counter);
    counter->Increment();
    counter->Increment();
    LONG value = 0;
    ASSERT_EQ(counter->GetValue(&value), S_OK);
    EXPECT_EQ(value, 2);
}

TEST_F(InprocServerTest, UnregisteredClassIsRefusedWithANullOut) {
    ITestCounter* counter = reinterpret_cast<ITestCounter*>(&counter);
    EXPECT_EQ(CoCreateInstance(kUnregistered, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&counter)), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(counter, nullptr);
    IClassFactory* factory = nullptr;
    EXPECT_EQ(CoGetClassObject(kUnregistered, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(&factory)),
              REGDB_E_CLASSNOTREG);
}

TEST_F(InprocServerTest, OnlyInProcessServersExist) {
    ComPtr<ITestCounter> counter;
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                               IID_PPV_ARGS(counter.GetAddressOf())),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(counter.GetAddressOf())),
              S_OK);
}

TEST_F(InprocServerTest, ServerLibraryThatCannotBeLoaded) {
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "libtext.so", "not a library\n");
    struct Case {
        std::string path;
        HRESULT expected;
    } cases[] = {
        {(dir / "libgone.so").string(), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {(dir / "missing" / "libgone.so").string(), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {(dir / "libtext.so").string(), HRESULT_FROM_WIN32(ERROR_BAD_FORMAT)},
        {QLM_PLATFORM_BASE, CO_E_ERRORINDLL},  // a library, but no server
    };
    for (const Case& c : cases) {
        RegisterInTestFolder(CLSID_TestCounter, c.path);
        ComPtr<ITestCounter> counter;
        EXPECT_EQ(Create(CLSID_TestCounter, counter), c.expected) << c.path;
        EXPECT_FALSE(counter);
    }
}

TEST_F(InprocServerTest, EntryWithoutAServerPathIsNotRegistered) {
    env_.UseTestRegistry();
    ASSERT_EQ(com::WriteRegistryEntry(com::RegistryKind::Class, CLSID_TestCounter, {{"ThreadingModel", "Both"}}), S_OK);
    ComPtr<ITestCounter> counter;
    EXPECT_EQ(Create(CLSID_TestCounter, counter), REGDB_E_CLASSNOTREG);
}

TEST_F(InprocServerTest, ServerRefusesAClassItDoesNotServe) {
    RegisterInTestFolder(kUnregistered, QLM_TEST_SERVER);
    ComPtr<ITestCounter> counter;
    EXPECT_EQ(Create(kUnregistered, counter), CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(InprocServerTest, InterfaceTheObjectLacksIsNoInterface) {
    void* p = &p;
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
}

TEST_F(InprocServerTest, OuterObjectIsRefused) {
    ComPtr<ITestCounter> outer;
    ASSERT_EQ(Create(CLSID_TestCounter, outer), S_OK);
    IUnknown* inner = reinterpret_cast<IUnknown*>(&inner);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, outer.Get(), CLSCTX_ALL, IID_PPV_ARGS(&inner)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(inner, nullptr);
}

TEST_F(InprocServerTest, NullOutAndInjectedFailure) {
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_ITestCounter, nullptr), E_INVALIDARG);
    platform::fault::Scoped fail("CoCreateInstance", ERROR_NOT_ENOUGH_MEMORY);
    ComPtr<ITestCounter> counter;
    EXPECT_EQ(Create(CLSID_TestCounter, counter), HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY));
}

TEST_F(InprocServerTest, ThreadWithoutComIsNotInitialized) {
    std::thread([] {
        ITestCounter* counter = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&counter)),
                  CO_E_NOTINITIALIZED);
        IClassFactory* factory = nullptr;
        EXPECT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_ALL, nullptr, IID_PPV_ARGS(&factory)),
                  CO_E_NOTINITIALIZED);
    }).join();
}

TEST_F(InprocServerTest, ServerCanUnloadAfterTheLastReleaseAndIsThenUnloaded) {
    ComPtr<ITestCounter> first;
    ComPtr<ITestCounter> second;
    ASSERT_EQ(Create(CLSID_TestCounter, first), S_OK);
    ASSERT_EQ(Create(CLSID_TestCounter, second), S_OK);
    EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
    first.Reset();
    // Both objects came from one loaded copy of the server: the second still holds it.
    EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerLoaded());
    second.Reset();
    EXPECT_EQ(ServerCanUnloadNow(), S_OK);
    CoFreeUnusedLibraries();
    EXPECT_FALSE(ServerLoaded());
    // And it comes back when needed.
    ASSERT_EQ(Create(CLSID_TestCounter, first), S_OK);
    EXPECT_TRUE(ServerLoaded());
}

TEST_F(InprocServerTest, ServerLockKeepsTheLibraryLoaded) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(factory.GetAddressOf())),
              S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerLoaded());
    ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(factory.GetAddressOf())),
              S_OK);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(ServerCanUnloadNow(), S_OK);
}

// The counts are per module: the program's own live objects do not keep the server in use.
class LocalCounter final : public com::Implements<LocalCounter, ITestCounter> {
public:
    STDMETHODIMP Increment() override { return S_OK; }
    STDMETHODIMP GetValue(LONG* value) override {
        *value = 0;
        return S_OK;
    }
};

TEST_F(InprocServerTest, ProgramsObjectsDoNotCountInTheServer) {
    ComPtr<ITestCounter> counter;
    ASSERT_EQ(Create(CLSID_TestCounter, counter), S_OK);
    ComPtr<LocalCounter> local = com::Make<LocalCounter>();
    EXPECT_EQ(com::ModuleObjectCount(), 1);  // the program counts only its own object
    counter.Reset();
    EXPECT_EQ(com::ModuleCanUnloadNow(), S_FALSE);
    EXPECT_EQ(ServerCanUnloadNow(), S_OK);
}

TEST_F(InprocServerTest, UserEntryOutranksTheBuildTreeAndTestFolderOutranksBoth) {
    ASSERT_EQ(com::RegisterInprocServer(CLSID_TestCounter, "/nowhere/libcounter.so", "Both"), S_OK);
    ComPtr<ITestCounter> counter;
    EXPECT_EQ(Create(CLSID_TestCounter, counter), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    RegisterInTestFolder(CLSID_TestCounter, QLM_TEST_SERVER);
    EXPECT_EQ(Create(CLSID_TestCounter, counter), S_OK);
}

}  // namespace
