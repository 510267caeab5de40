#include <gtest/gtest.h>

#include <filesystem>

#include "../kernel/kernel_test_support.h"
#include "platform/fault_injection.h"
#include "storage_test_support.h"

namespace {

using kerneltest::Handle;
using storagetest::ComPtr;
using storagetest::kOpenMode;
using storagetest::OpenSets;

class StgOpenStorageExTest : public testing::Test {
protected:
    void SetUp() override { qlmtest::WriteText(file_, "content"); }
    void TearDown() override { platform::fault::DisarmAll(); }

    HRESULT Open(DWORD mode, STGFMT format, REFIID riid, IUnknown** out, DWORD attrs = 0) {
        return StgOpenStorageEx(qlmtest::Utf16(file_).c_str(), mode, format, attrs, nullptr, nullptr, riid,
                                reinterpret_cast<void**>(out));
    }

    qlmtest::TempDir dir_;
    std::filesystem::path file_ = dir_ / "file.bin";
};

struct ArgumentCase {
    const char* name;
    DWORD mode;
    STGFMT format;
    const IID* riid;
    DWORD attrs;
    HRESULT expected;
};

class StgOpenStorageExArguments : public StgOpenStorageExTest, public testing::WithParamInterface<ArgumentCase> {};

TEST_P(StgOpenStorageExArguments, AnswerAsDocumented) {
    const ArgumentCase& c = GetParam();
    IUnknown* out = reinterpret_cast<IUnknown*>(0x1);  // must be cleared on every way out
    EXPECT_EQ(Open(c.mode, c.format, *c.riid, &out, c.attrs), c.expected);
    if (SUCCEEDED(c.expected)) {
        ASSERT_NE(out, nullptr);
        out->Release();
    } else {
        EXPECT_EQ(out, nullptr);
    }
}

// {0000000B-0000-0000-C000-000000000046}: IStorage, which a flat file does not have.
constexpr IID kIStorage = {0x0000000B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

const ArgumentCase kArguments[] = {
    {"AnyFormat", kOpenMode, STGFMT_ANY, &IID_IPropertySetStorage, 0, S_OK},
    {"FileFormat", STGM_READ | STGM_SHARE_DENY_WRITE, STGFMT_FILE, &IID_IPropertySetStorage, 0, S_OK},
    {"AsIUnknown", kOpenMode, STGFMT_ANY, &IID_IUnknown, 0, S_OK},
    {"NoSharingFlag", STGM_READ, STGFMT_ANY, &IID_IPropertySetStorage, 0, S_OK},
    {"CompoundFile", kOpenMode, STGFMT_DOCFILE, &IID_IPropertySetStorage, 0, STG_E_UNIMPLEMENTEDFUNCTION},
    {"StorageFormat", kOpenMode, STGFMT_STORAGE, &IID_IPropertySetStorage, 0, STG_E_UNIMPLEMENTEDFUNCTION},
    {"NativeFormat", kOpenMode, STGFMT_NATIVE, &IID_IPropertySetStorage, 0, STG_E_INVALIDFLAG},
    {"UnknownFormat", kOpenMode, 2, &IID_IPropertySetStorage, 0, STG_E_INVALIDFLAG},
    {"BothAccessBits", STGM_WRITE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, STGFMT_ANY, &IID_IPropertySetStorage, 0,
     STG_E_INVALIDFLAG},
    {"UnknownSharing", STGM_READ | 0x70, STGFMT_ANY, &IID_IPropertySetStorage, 0, STG_E_INVALIDFLAG},
    {"CreateFlag", kOpenMode | STGM_CREATE, STGFMT_ANY, &IID_IPropertySetStorage, 0, STG_E_INVALIDFLAG},
    {"Transacted", kOpenMode | STGM_TRANSACTED, STGFMT_ANY, &IID_IPropertySetStorage, 0, STG_E_INVALIDFLAG},
    {"Attributes", kOpenMode, STGFMT_ANY, &IID_IPropertySetStorage, 1, STG_E_INVALIDPARAMETER},
    {"IStorage", kOpenMode, STGFMT_ANY, &kIStorage, 0, E_NOINTERFACE},
    {"IPropertyStorage", kOpenMode, STGFMT_ANY, &IID_IPropertyStorage, 0, E_NOINTERFACE},
};
INSTANTIATE_TEST_SUITE_P(Table, StgOpenStorageExArguments, testing::ValuesIn(kArguments),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StgOpenStorageExTest, RefusesMissingPointersAndNames) {
    ComPtr<IPropertySetStorage> sets;
    EXPECT_EQ(StgOpenStorageEx(qlmtest::Utf16(file_).c_str(), kOpenMode, STGFMT_ANY, 0, nullptr, nullptr,
                               IID_IPropertySetStorage, nullptr),
              STG_E_INVALIDPOINTER);
    EXPECT_EQ(StgOpenStorageEx(nullptr, kOpenMode, STGFMT_ANY, 0, nullptr, nullptr, IID_IPropertySetStorage,
                               reinterpret_cast<void**>(sets.GetAddressOf())),
              STG_E_INVALIDNAME);
    const char16_t loneSurrogate[] = {u'/', 0xD800, u'x', 0};
    EXPECT_EQ(StgOpenStorageEx(loneSurrogate, kOpenMode, STGFMT_ANY, 0, nullptr, nullptr, IID_IPropertySetStorage,
                               reinterpret_cast<void**>(sets.GetAddressOf())),
              STG_E_INVALIDNAME);
    STGOPTIONS options{};
    EXPECT_EQ(StgOpenStorageEx(qlmtest::Utf16(file_).c_str(), kOpenMode, STGFMT_ANY, 0, &options, nullptr,
                               IID_IPropertySetStorage, reinterpret_cast<void**>(sets.GetAddressOf())),
              STG_E_INVALIDPARAMETER);
}

TEST_F(StgOpenStorageExTest, NamesWhatIsMissingOrNoFile) {
    ComPtr<IPropertySetStorage> sets;
    EXPECT_EQ(OpenSets(dir_ / "missing", kOpenMode, sets), STG_E_FILENOTFOUND);
    EXPECT_EQ(OpenSets(file_ / "below-a-file", kOpenMode, sets), STG_E_PATHNOTFOUND);
    EXPECT_EQ(OpenSets(dir_.path(), STGM_READ | STGM_SHARE_EXCLUSIVE, sets), STG_E_ACCESSDENIED);
    EXPECT_EQ(OpenSets(dir_.path(), kOpenMode, sets), STG_E_ACCESSDENIED);
    EXPECT_FALSE(sets);
}

TEST_F(StgOpenStorageExTest, FileSystemWithoutUserAttributesFailsTheOpen) {
    // The probe at open sees what such a file system answers (ENOTSUP), and nothing stays held.
    platform::fault::Scoped noAttributes("sys:fgetxattr", ENOTSUP);
    ComPtr<IPropertySetStorage> sets;
    EXPECT_EQ(OpenSets(file_, kOpenMode, sets), HRESULT_FROM_WIN32(ERROR_EAS_NOT_SUPPORTED));
    EXPECT_FALSE(sets);
    EXPECT_TRUE(kerneltest::Open(file_, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING).valid());
}

TEST_F(StgOpenStorageExTest, InjectedFailuresReachTheCaller) {
    ComPtr<IPropertySetStorage> sets;
    {
        platform::fault::Scoped failing("StgOpenStorageEx", ERROR_ACCESS_DENIED);
        EXPECT_EQ(OpenSets(file_, kOpenMode, sets), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    }
    {
        platform::fault::Scoped failing("sys:open", EMFILE);
        EXPECT_EQ(OpenSets(file_, kOpenMode, sets), HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES));
    }
    EXPECT_FALSE(sets);
}

// ---- Sharing with CreateFileW ------------------------------------------------------------------

struct SharingCase {
    const char* name;
    DWORD fileShare;  // of a CreateFileW open for reading and writing, held first
    DWORD storageMode;
    bool conflicts;
};

class StgOpenStorageExSharing : public StgOpenStorageExTest, public testing::WithParamInterface<SharingCase> {};

TEST_P(StgOpenStorageExSharing, MeetsCreateFileWOpensEitherWayRound) {
    const SharingCase& c = GetParam();
    const HRESULT expected = c.conflicts ? STG_E_SHAREVIOLATION : S_OK;
    {
        Handle held = kerneltest::Open(file_, GENERIC_READ | GENERIC_WRITE, c.fileShare, OPEN_EXISTING);
        ASSERT_TRUE(held.valid());
        ComPtr<IPropertySetStorage> sets;
        EXPECT_EQ(OpenSets(file_, c.storageMode, sets), expected);
    }
    {
        ComPtr<IPropertySetStorage> sets;
        ASSERT_EQ(OpenSets(file_, c.storageMode, sets), S_OK);
        Handle second = kerneltest::Open(file_, GENERIC_READ | GENERIC_WRITE, c.fileShare, OPEN_EXISTING);
        EXPECT_EQ(second.valid(), !c.conflicts);
        if (c.conflicts) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
    }
}

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

const SharingCase kSharing[] = {
    {"ExclusiveAgainstNoSharing", 0, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, true},
    {"ExclusiveAgainstFullSharing", kerneltest::kShareAll, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, true},
    {"DenyNoneAgainstFullSharing", kerneltest::kShareAll, STGM_READ | STGM_SHARE_DENY_NONE, false},
    {"DenyNoneAgainstNoSharing", 0, STGM_READ | STGM_SHARE_DENY_NONE, true},
    {"DenyWriteAgainstReadWriteSharing", kShareReadWrite, STGM_READ | STGM_SHARE_DENY_WRITE, true},
};
INSTANTIATE_TEST_SUITE_P(Table, StgOpenStorageExSharing, testing::ValuesIn(kSharing),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StgOpenStorageExTest, ExclusiveOpenHoldsTheFileUntilItsLastObjectGoes) {
    ComPtr<IPropertySetStorage> sets;
    ASSERT_EQ(OpenSets(file_, kOpenMode, sets), S_OK);
    ComPtr<IPropertyStorage> props;
    ASSERT_EQ(sets->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_DEFAULT, storagetest::kCreateMode,
                           props.GetAddressOf()),
              S_OK);
    sets = nullptr;  // the property storage keeps the file open and locked

    EXPECT_FALSE(kerneltest::Open(file_, GENERIC_READ, kerneltest::kShareAll, OPEN_EXISTING).valid());
    EXPECT_FALSE(DeleteFileW(qlmtest::Utf16(file_).c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    props = nullptr;
    EXPECT_TRUE(kerneltest::Open(file_, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING).valid());
    EXPECT_TRUE(DeleteFileW(qlmtest::Utf16(file_).c_str()));
}

}  // namespace
