#include <gtest/gtest.h>

#include "container/ContainerNames.h"

namespace {

struct NameCase {
    const char* name;
    const char16_t* source;
    const char16_t* extension;
    const char16_t* container;
};

// Locking names the container; unlocking it with the stored extension gives the source back.
const NameCase kNames[] = {
    {"plain", u"/home/u/report.txt", u".txt", u"/home/u/report.qlm"},
    {"no_extension", u"/home/u/README", u"", u"/home/u/README.qlm"},
    {"dot_in_folder_name", u"/home/u/old.files/notes", u"", u"/home/u/old.files/notes.qlm"},
    {"dot_in_folder_name_backslash", u"C:\\old.files\\notes", u"", u"C:\\old.files\\notes.qlm"},
    {"two_extensions", u"/d/archive.tar.gz", u".gz", u"/d/archive.tar.qlm"},
    {"windows_path", u"C:\\d\\report.docx", u".docx", u"C:\\d\\report.qlm"},
    {"backslash_in_name_after_slash", u"/d/a.b\\c", u"", u"/d/a.b\\c.qlm"},
    {"hidden_file", u"/d/.profile", u".profile", u"/d/.qlm"},
    {"relative", u"notes.txt", u".txt", u"notes.qlm"},
    {"locking_a_container", u"/d/report.qlm", u".qlm", u"/d/report.qlm"},
};

class Naming : public testing::TestWithParam<NameCase> {};

TEST_P(Naming, ContainerAndRestoredNames) {
    const NameCase& c = GetParam();
    EXPECT_EQ(qlmfile::ExtensionOf(c.source), c.extension);
    EXPECT_EQ(qlmfile::ContainerPathFor(c.source), c.container);
    std::u16string restored;
    ASSERT_TRUE(qlmfile::RestoredPathFor(c.container, c.extension, restored));
    EXPECT_EQ(restored, c.source);
}

INSTANTIATE_TEST_SUITE_P(Cases, Naming, testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RestoredName, ContainerNotNamedQlm) {
    std::u16string restored;
    ASSERT_TRUE(qlmfile::RestoredPathFor(u"/d/report.bin", u".docx", restored));
    EXPECT_EQ(restored, u"/d/report.docx");
    ASSERT_TRUE(qlmfile::RestoredPathFor(u"/old.files/report", u".txt", restored));
    EXPECT_EQ(restored, u"/old.files/report.txt");
}

TEST(RestoredName, UnsafeExtensionsAreRefused) {
    const std::u16string bad[] = {u"txt",           u"./../../etc/passwd", u".a/b",   u".a\\b",
                                  u"/etc/passwd",   std::u16string(u".a\0b", 4), u".a\nb", u".\x7F",
                                  u".\x85"};
    for (const std::u16string& extension : bad) {
        std::u16string restored = u"untouched";
        EXPECT_FALSE(qlmfile::RestoredPathFor(u"/d/report.qlm", extension, restored));
        EXPECT_EQ(restored, u"untouched");
    }
}

TEST(RestoredName, NameThatIsNoFileIsRefused) {
    std::u16string restored;
    EXPECT_FALSE(qlmfile::RestoredPathFor(u"/d/.qlm", u"", restored));     // "/d/"
    EXPECT_FALSE(qlmfile::RestoredPathFor(u"/d/..qlm", u".", restored));   // "/d/.."
    EXPECT_TRUE(qlmfile::RestoredPathFor(u"/d/.qlm", u".bashrc", restored));
    EXPECT_EQ(restored, u"/d/.bashrc");
    EXPECT_TRUE(qlmfile::RestoredPathFor(u"/d/x.qlm", u".\u00e9\U0001F512", restored));
}

}  // namespace
