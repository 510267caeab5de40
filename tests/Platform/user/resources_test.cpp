// Modules and their resource tables.
#include <gtest/gtest.h>

#include <cstring>

#include "winbase_resources.h"
#include "platform/fault_injection.h"
#include "platform/resources.h"
#include "test_dialogs.h"
#include "windows.h"

namespace {

int g_inThisProgram = 0;

TEST(Modules, TheProgramsHandleIsItsBaseAddress) {
    const HMODULE program = GetModuleHandleW(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program, platform::ModuleOf(&g_inThisProgram));
    EXPECT_EQ(std::memcmp(program, "\x7f" "ELF", 4), 0);
    // A library by its file name.
    const HMODULE user = GetModuleHandleW(u"libplatform_user.so");
    EXPECT_EQ(user, platform::ModuleOf(reinterpret_cast<const void*>(&MessageBoxW)));
    EXPECT_NE(user, program);
    EXPECT_EQ(GetModuleHandleW(u"libnothing.so"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

struct Lookup {
    const char* name;
    LPCWSTR type;
    LPCWSTR id;
    DWORD error;  // 0: found
};

class FindResource : public testing::TestWithParam<Lookup> {};

TEST_P(FindResource, FindsOrSaysWhatIsMissing) {
    SetLastError(0);
    const HRSRC found = FindResourceW(nullptr, GetParam().id, GetParam().type);
    if (GetParam().error == 0) {
        EXPECT_NE(found, nullptr);
    } else {
        EXPECT_EQ(found, nullptr);
        EXPECT_EQ(GetLastError(), GetParam().error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindResource,
    testing::Values(Lookup{"ByOrdinal", RT_DIALOG, MAKEINTRESOURCEW(usertest::kPlainDialog), 0},
                    Lookup{"OrdinalWrittenAsText", RT_DIALOG, u"#201", 0},
                    Lookup{"NameIgnoresCase", RT_RCDATA, u"gReEtInG", 0},
                    Lookup{"NameIsNotAnOrdinal", RT_RCDATA, MAKEINTRESOURCEW(5), ERROR_RESOURCE_NAME_NOT_FOUND},
                    Lookup{"MissingName", RT_DIALOG, MAKEINTRESOURCEW(usertest::kMissingDialog),
                           ERROR_RESOURCE_NAME_NOT_FOUND},
                    Lookup{"MissingType", RT_VERSION, MAKEINTRESOURCEW(1), ERROR_RESOURCE_TYPE_NOT_FOUND}),
    [](const testing::TestParamInfo<Lookup>& info) { return info.param.name; });

TEST(Resources, LoadGivesTheBytesAndTheirSize) {
    const HRSRC found = FindResourceW(GetModuleHandleW(nullptr), u"Greeting", RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 5u);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, 5), "hello");
}

TEST(Resources, ATableGoesWithItsRegistration) {
    static const char kData[] = "x";
    const platform::ResourceEntry entries[] = {{RT_RCDATA, u"Scoped", 0, kData, 1}};
    {
        const platform::ResourceTable table(&g_inThisProgram, entries);
        EXPECT_EQ(table.module(), GetModuleHandleW(nullptr));
        EXPECT_NE(FindResourceW(nullptr, u"Scoped", RT_RCDATA), nullptr);
    }
    EXPECT_EQ(FindResourceW(nullptr, u"Scoped", RT_RCDATA), nullptr);
}

TEST(Resources, InjectedFailure) {
    platform::fault::Scoped fault("FindResourceW", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(FindResourceW(nullptr, u"Greeting", RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

}  // namespace
