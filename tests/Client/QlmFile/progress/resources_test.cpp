// QlmFile's resources as the program carries them: dialog 101, icon group 102 and the version.
#include <gtest/gtest.h>

#include <cstring>
#include <span>

#include "Resources.h"
#include "platform/dialog_template.h"
#include "windows.h"

namespace {

std::span<const BYTE> Resource(LPCWSTR type, WORD id) {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) return {};
    return {static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found))), SizeofResource(nullptr, found)};
}

DWORD Dword(std::span<const BYTE> bytes, std::size_t at) {
    DWORD value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

WORD Word(std::span<const BYTE> bytes, std::size_t at) { return static_cast<WORD>(bytes[at] | (bytes[at + 1] << 8)); }

TEST(QlmFileResources, ProgressDialogTemplate) {
    const std::span<const BYTE> bytes = Resource(RT_DIALOG, qlmfile::kProgressDialogResource);
    ASSERT_GE(bytes.size(), 26u);
    // The DLGTEMPLATEEX header as stored: version 1, signature 0xFFFF, no help id or extended style.
    EXPECT_EQ(Dword(bytes, 0), 0xFFFF0001u);
    EXPECT_EQ(Dword(bytes, 4), 0u);
    EXPECT_EQ(Dword(bytes, 8), 0u);
    EXPECT_EQ(Dword(bytes, 12), 0x80CA08C8u);
    EXPECT_EQ(Word(bytes, 16), 1);  // one control

    const auto dialog = platform::ParseDialogTemplate(bytes);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(std::vector<short>({dialog->x, dialog->y, dialog->cx, dialog->cy}), std::vector<short>({100, 100, 199, 64}));
    EXPECT_EQ(dialog->menu, u"");
    EXPECT_EQ(dialog->menuOrdinal, 0);
    EXPECT_EQ(dialog->className, u"");
    EXPECT_EQ(dialog->classOrdinal, 0);
    EXPECT_EQ(dialog->title, u"Quillmarsh");
    ASSERT_TRUE(dialog->hasFont);
    EXPECT_EQ(dialog->typeface, u"MS Shell Dlg");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->weight, 400);
    EXPECT_EQ(dialog->italic, 0);
    EXPECT_EQ(dialog->charset, 1);
    ASSERT_EQ(dialog->items.size(), 1u);
    const platform::ParsedDialogItem& cancel = dialog->items[0];
    EXPECT_EQ(cancel.classOrdinal, platform::kButtonClassOrdinal);
    EXPECT_EQ(cancel.title, u"Cancel");
    EXPECT_EQ(cancel.id, 2u);
    EXPECT_EQ(cancel.style, 0x50010000u);
    EXPECT_EQ(cancel.exStyle, 0u);
    EXPECT_EQ(std::vector<short>({cancel.x, cancel.y, cancel.cx, cancel.cy}), std::vector<short>({78, 41, 50, 14}));
}

// The group lists the icon's images by resource id; each id holds that image.
TEST(QlmFileResources, IconGroup) {
    const std::span<const BYTE> group = Resource(RT_GROUP_ICON, qlmfile::kApplicationIconResource);
    ASSERT_GE(group.size(), 6u);
    EXPECT_EQ(Word(group, 0), 0);
    EXPECT_EQ(Word(group, 2), 1);  // icons
    const WORD count = Word(group, 4);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::vector<int> sizes;
    for (WORD n = 0; n < count; ++n) {
        const std::size_t entry = 6 + 14 * n;
        const int size = group[entry] == 0 ? 256 : group[entry];
        sizes.push_back(size);
        EXPECT_EQ(Word(group, entry + 6), 32);  // bits per pixel
        const std::span<const BYTE> image = Resource(RT_ICON, Word(group, entry + 12));
        ASSERT_EQ(image.size(), Dword(group, entry + 8)) << size;
        if (size == 256) {
            EXPECT_EQ(std::memcmp(image.data(), "\x89PNG", 4), 0);
        } else {
            // BITMAPINFOHEADER: the height counts the image and its mask.
            EXPECT_EQ(Dword(image, 0), 40u);
            EXPECT_EQ(Dword(image, 4), static_cast<DWORD>(size));
            EXPECT_EQ(Dword(image, 8), static_cast<DWORD>(2 * size));
        }
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
}

TEST(QlmFileResources, Version) {
    EXPECT_EQ(qlmfile::ProgramVersion(), "1.0.0.1");
    const std::span<const BYTE> version = Resource(RT_VERSION, qlmfile::kVersionResource);
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(Word(version, 0), version.size());  // the root block's length is the whole resource
    // The root key, then the translation: language 0x0409, code page 1200.
    const std::u16string key = u"VS_VERSION_INFO";
    EXPECT_EQ(std::memcmp(version.data() + 6, key.data(), key.size() * 2), 0);
    const std::u16string translation = u"Translation";
    const auto* text = reinterpret_cast<const char*>(version.data());
    const std::string bytes(text, version.size());
    const std::size_t at = bytes.find(std::string(reinterpret_cast<const char*>(translation.data()), translation.size() * 2));
    ASSERT_NE(at, std::string::npos);
    const std::size_t value = (at + translation.size() * 2 + 2 + 3) & ~std::size_t{3};
    EXPECT_EQ(Word(version, value), 0x0409);
    EXPECT_EQ(Word(version, value + 2), 1200);
}

}  // namespace
