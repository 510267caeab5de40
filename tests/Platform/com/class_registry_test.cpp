#include <gtest/gtest.h>

#include <algorithm>

#include "platform/class_registry.h"
#include "platform/guid.h"
#include "registry_environment.h"
#include "test_counter.h"
#include "winerror.h"

namespace {

namespace com = platform::com;
using comtest::RegistryEnvironment;

std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadText(const std::filesystem::path& file) {
    const auto bytes = qlmtest::ReadBytes(file);
    return {bytes.begin(), bytes.end()};
}

// {9E8D7C6B-5A49-4382-B1F0-E9D8C7B6A594}: registered nowhere.
constexpr CLSID kUnregistered = {0x9E8D7C6B, 0x5A49, 0x4382, {0xB1, 0xF0, 0xE9, 0xD8, 0xC7, 0xB6, 0xA5, 0x94}};

TEST(RegistryEntryText, ParsesSkipsCommentsAndRoundTrips) {
    auto entry = com::RegistryEntry::Parse(
        "# COM class\r\nInprocServer32=/opt/q/lib/libx.so\n\nThreadingModel=Both\nMiscStatus=131473\nEmpty=\n"
        "Equation=a=b");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Get("inprocserver32"), "/opt/q/lib/libx.so");  // names ignore case
    EXPECT_EQ(entry->Get("ThreadingModel"), "Both");
    EXPECT_EQ(entry->Get("Empty"), "");
    EXPECT_EQ(entry->Get("Equation"), "a=b");
    EXPECT_EQ(entry->Get("Version"), std::nullopt);
    EXPECT_EQ(entry->Values().size(), 5u);
    auto again = com::RegistryEntry::Parse(entry->Serialize());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Values(), entry->Values());
}

TEST(RegistryEntryText, LineWithoutANameIsInvalid) {
    EXPECT_FALSE(com::RegistryEntry::Parse("InprocServer32=/x.so\njunk\n"));
    EXPECT_FALSE(com::RegistryEntry::Parse("=value\n"));
}

TEST(RegistryEntryText, SetReplacesByNameRegardlessOfCase) {
    com::RegistryEntry entry{{"Version", "1.0"}};
    entry.Set("VERSION", "2.0");
    EXPECT_EQ(entry.Values().size(), 1u);
    EXPECT_EQ(entry.Get("version"), "2.0");
}

TEST(RegistrySearchPath, TestFolderThenUserThenBesideTheProgram) {
    RegistryEnvironment env;
    const auto beside = std::filesystem::canonical(QLM_REGISTRY_DIR);
    auto path = com::RegistrySearchPath();
    ASSERT_EQ(path.size(), 2u);
    EXPECT_EQ(path[0], env.UserRegistry());
    EXPECT_EQ(std::filesystem::canonical(path[1]), beside);

    const auto tests = env.UseTestRegistry();
    path = com::RegistrySearchPath();
    ASSERT_EQ(path.size(), 3u);
    EXPECT_EQ(path[0], tests);
    EXPECT_EQ(path[1], env.UserRegistry());
    EXPECT_EQ(std::filesystem::canonical(path[2]), beside);
}

// The build registered the test server beside the program (the build tree's registry); a per-user
// entry overrides it, and a $QLM_COM_REGISTRY entry overrides both.
TEST(RegistrySearchPath, FirstFolderHoldingTheEntryWins) {
    RegistryEnvironment env;
    com::RegistryEntry entry;
    std::filesystem::path file;
    ASSERT_EQ(com::FindRegistryEntry(com::RegistryKind::Class, CLSID_TestCounter, entry, &file), S_OK);
    EXPECT_EQ(std::filesystem::canonical(file.parent_path()), std::filesystem::canonical(QLM_REGISTRY_DIR));
    EXPECT_EQ(entry.Get(com::kInprocServer32), QLM_TEST_SERVER);

    ASSERT_EQ(com::RegisterInprocServer(CLSID_TestCounter, "/user/libcounter.so", "Apartment"), S_OK);
    ASSERT_EQ(com::FindRegistryEntry(com::RegistryKind::Class, CLSID_TestCounter, entry, &file), S_OK);
    EXPECT_EQ(file.parent_path(), env.UserRegistry());
    EXPECT_EQ(entry.Get(com::kInprocServer32), "/user/libcounter.so");

    const auto tests = env.UseTestRegistry();
    ASSERT_EQ(com::RegisterInprocServer(CLSID_TestCounter, "/tests/libcounter.so", "Free"), S_OK);
    ASSERT_EQ(com::FindRegistryEntry(com::RegistryKind::Class, CLSID_TestCounter, entry, &file), S_OK);
    EXPECT_EQ(file.parent_path(), tests);
    EXPECT_EQ(entry.Get(com::kInprocServer32), "/tests/libcounter.so");
    EXPECT_EQ(entry.Get(com::kThreadingModel), "Free");
}

TEST(ClassRegistry, MissingEntriesAreNotRegistered) {
    RegistryEnvironment env;
    com::RegistryEntry entry;
    EXPECT_EQ(com::FindRegistryEntry(com::RegistryKind::Class, kUnregistered, entry), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(com::FindRegistryEntry(com::RegistryKind::TypeLib, kUnregistered, entry), TYPE_E_LIBNOTREGISTERED);
}

TEST(ClassRegistry, EntryIsAFileNamedByTheBracedGuidWithNoTempLeft) {
    RegistryEnvironment env;
    const auto folder = env.UseTestRegistry();
    ASSERT_EQ(com::RegisterInprocServer(kUnregistered, "/a/libfirst.so", "Apartment",
                                        {{"ProgID", "Test.First"}, {"Version", "1.0"}}),
              S_OK);
    ASSERT_EQ(com::RegisterInprocServer(kUnregistered, "/a/libsecond.so", "Both"), S_OK);
    const std::string name = com::GuidToString(kUnregistered);
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{name});
    auto entry = com::RegistryEntry::Parse(ReadText(folder / name));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Get(com::kInprocServer32), "/a/libsecond.so");  // replaced whole, extras gone
    EXPECT_EQ(entry->Get("ProgID"), std::nullopt);
}

TEST(ClassRegistry, RelativeServerPathIsRecordedAbsolute) {
    RegistryEnvironment env;
    env.UseTestRegistry();
    ASSERT_EQ(com::RegisterInprocServer(kUnregistered, "lib/libx.so", "Both"), S_OK);
    com::RegistryEntry entry;
    ASSERT_EQ(com::FindRegistryEntry(com::RegistryKind::Class, kUnregistered, entry), S_OK);
    EXPECT_EQ(entry.Get(com::kInprocServer32), (std::filesystem::current_path() / "lib/libx.so").string());
}

TEST(ClassRegistry, TypeLibrariesHaveAFolderOfTheirOwn) {
    RegistryEnvironment env;
    const auto folder = env.UseTestRegistry();
    ASSERT_EQ(com::WriteRegistryEntry(com::RegistryKind::TypeLib, kUnregistered,
                                      {{"Version", "1.0"}, {"Win32", "/a/libcontrol.so"}}),
              S_OK);
    EXPECT_TRUE(std::filesystem::exists(folder / "TypeLib" / com::GuidToString(kUnregistered)));
    com::RegistryEntry entry;
    EXPECT_EQ(com::FindRegistryEntry(com::RegistryKind::Class, kUnregistered, entry), REGDB_E_CLASSNOTREG);
    ASSERT_EQ(com::FindRegistryEntry(com::RegistryKind::TypeLib, kUnregistered, entry), S_OK);
    EXPECT_EQ(entry.Get("Win32"), "/a/libcontrol.so");
}

TEST(ClassRegistry, RemoveTakesTheEntryAwayOnce) {
    RegistryEnvironment env;
    env.UseTestRegistry();
    ASSERT_EQ(com::RegisterInprocServer(kUnregistered, "/a/libx.so", "Both"), S_OK);
    EXPECT_EQ(com::RemoveRegistryEntry(com::RegistryKind::Class, kUnregistered), S_OK);
    EXPECT_EQ(com::RemoveRegistryEntry(com::RegistryKind::Class, kUnregistered), S_FALSE);
    com::RegistryEntry entry;
    EXPECT_EQ(com::FindRegistryEntry(com::RegistryKind::Class, kUnregistered, entry), REGDB_E_CLASSNOTREG);
}

TEST(ClassRegistry, InvalidValuesAreRefusedBeforeAnythingIsWritten) {
    RegistryEnvironment env;
    const auto folder = env.UseTestRegistry();
    EXPECT_EQ(com::RegisterInprocServer(kUnregistered, "/a/lib\nx.so", "Both"), E_INVALIDARG);
    EXPECT_EQ(com::WriteRegistryEntry(com::RegistryKind::Class, kUnregistered, {{"Bad=Name", "x"}}), E_INVALIDARG);
    EXPECT_TRUE(NamesIn(folder).empty());
}

TEST(ClassRegistry, UnparsableEntryCannotBeRead) {
    RegistryEnvironment env;
    const auto folder = env.UseTestRegistry();
    qlmtest::WriteText(folder / com::GuidToString(kUnregistered), "this is not an entry\n");
    com::RegistryEntry entry;
    EXPECT_EQ(com::FindRegistryEntry(com::RegistryKind::Class, kUnregistered, entry), REGDB_E_READREGDB);
}

TEST(RegistrationTarget, SetFolderThenTestFolderThenUser) {
    RegistryEnvironment env;
    EXPECT_EQ(com::RegistrationTarget(), env.UserRegistry());
    const auto tests = env.UseTestRegistry();
    EXPECT_EQ(com::RegistrationTarget(), tests);
    qlmtest::TempDir chosen;
    com::SetRegistrationTarget(chosen.path());
    EXPECT_EQ(com::RegistrationTarget(), chosen.path());
    ASSERT_EQ(com::RegisterInprocServer(kUnregistered, "/a/libx.so", "Both"), S_OK);
    EXPECT_TRUE(std::filesystem::exists(chosen / com::GuidToString(kUnregistered)));
    com::SetRegistrationTarget({});
    EXPECT_EQ(com::RegistrationTarget(), tests);
}

TEST(RegistrationTarget, FolderThatCannotBeCreatedGivesItsError) {
    RegistryEnvironment env;
    qlmtest::TempDir dir;
    qlmtest::WriteText(dir / "file", "");
    com::SetRegistrationTarget(dir / "file" / "com");
    EXPECT_EQ(com::RegisterInprocServer(kUnregistered, "/a/libx.so", "Both"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

}  // namespace
