// QlmFile's resources, compiled into the program and registered under its module handle when it
// starts, as a resource section would be on Windows: dialog 101, icon group 102 with its images,
// and the version 1.0.0.1. (The manifest, QlmFile.manifest, only means something to Windows.)
//
// This file is compiled into each program that links qlmfile_core (QlmFile and its tests), so that
// GetModuleHandleW(nullptr) finds the resources there, as it would in QlmFile.exe.
#include <array>
#include <cstddef>
#include <string_view>

#include "Resources.h"
#include "commctrl.h"
#include "platform/dialog_template.h"
#include "platform/resource_writer.h"
#include "platform/resources.h"
#include "winuser.h"

namespace qlmfile {
namespace {

// Dialog 101: the progress dialog. The bar is not in the template: the dialog makes it.
constexpr platform::DialogTemplateHeader kProgressDialog{
    0,
    0,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_CENTER | DS_SETFONT | DS_FIXEDSYS,
    100,
    100,
    199,
    64,
    u"Quillmarsh",
    {8, 400, 0, 1, u"MS Shell Dlg"}};
constexpr platform::DialogTemplateItem kProgressDialogItems[] = {
    {0, 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 78, 41, 50, 14, IDCANCEL, platform::kButtonClassOrdinal, {}, u"Cancel"},
};
static_assert(kProgressDialog.style == 0x80CA08C8);
static_assert(kProgressDialogItems[0].style == 0x50010000);
constexpr auto kProgressDialogBytes =
    platform::BuildDialogTemplate<platform::DialogTemplateSize(kProgressDialog, kProgressDialogItems)>(
        kProgressDialog, kProgressDialogItems);

// Icon group 102 is made from QlmFile.ico (drawn by make_icon.py): the .ico's images become the
// RT_ICON resources 1..n, and its directory, with resource ids instead of file offsets, the group.
constexpr BYTE kIcoFile[] = {
#include "QlmFileIcon.inc"
};
constexpr WORD IcoWord(std::size_t at) { return static_cast<WORD>(kIcoFile[at] | (kIcoFile[at + 1] << 8)); }
constexpr DWORD IcoDword(std::size_t at) { return IcoWord(at) | (static_cast<DWORD>(IcoWord(at + 2)) << 16); }
constexpr std::size_t kIconCount = IcoWord(4);
constexpr std::size_t kIcoEntry = 16;  // ICONDIRENTRY
constexpr std::size_t kGroupEntry = 14;  // GRPICONDIRENTRY
static_assert(IcoWord(0) == 0 && IcoWord(2) == 1 && kIconCount > 0, "QlmFile.ico is an icon file");

constexpr auto kIconGroup = [] {
    std::array<BYTE, 6 + kGroupEntry * kIconCount> group{};
    for (std::size_t i = 0; i < 6; ++i) group[i] = kIcoFile[i];
    for (std::size_t n = 0; n < kIconCount; ++n) {
        // Width, height, colours, reserved, planes, bit count and size are the same; the file
        // offset gives way to the icon's resource id.
        for (std::size_t i = 0; i < 12; ++i) group[6 + n * kGroupEntry + i] = kIcoFile[6 + n * kIcoEntry + i];
        group[6 + n * kGroupEntry + 12] = static_cast<BYTE>(n + 1);
        group[6 + n * kGroupEntry + 13] = 0;
    }
    return group;
}();

// VS_VERSIONINFO: each block is WORD wLength, WORD wValueLength, WORD wType (1 text, 0 binary), its
// key, padding to 32 bits, its value, padding, its children; wLength excludes the padding after it.
class VersionWriter : public platform::ResourceWriter {
public:
    using ResourceWriter::ResourceWriter;
    constexpr std::size_t Begin(std::u16string_view key, WORD valueLength, WORD type) {
        AlignToDword();
        const std::size_t at = size();
        Word(0);
        Word(valueLength);
        Word(type);
        String(key);
        AlignToDword();
        return at;
    }
    constexpr void End(std::size_t at) { PatchWord(at, static_cast<WORD>(size() - at)); }
    constexpr void String(std::u16string_view key, std::u16string_view value) {
        const std::size_t at = Begin(key, static_cast<WORD>(value.size() + 1), 1);
        String(value);
        End(at);
    }
    using ResourceWriter::String;
};

constexpr void WriteVersion(VersionWriter& w) {
    const std::size_t root = w.Begin(u"VS_VERSION_INFO", 52, 0);
    // VS_FIXEDFILEINFO
    w.Dword(0xFEEF04BD);  // signature
    w.Dword(0x00010000);  // structure version 1.0
    w.Dword(0x00010000);  // file version 1.0
    w.Dword(0x00000001);  //              .0.1
    w.Dword(0x00010000);  // product version 1.0
    w.Dword(0x00000001);  //                 .0.1
    w.Dword(0x3F);        // flags mask
    w.Dword(0);           // flags
    w.Dword(0x00040004);  // VOS_NT_WINDOWS32
    w.Dword(1);           // VFT_APP
    w.Dword(0);           // subtype
    w.Dword(0);           // date
    w.Dword(0);
    const std::size_t strings = w.Begin(u"StringFileInfo", 0, 1);
    const std::size_t table = w.Begin(u"040904B0", 0, 1);  // language 0x0409, code page 1200
    w.String(u"FileDescription", u"Quillmarsh file protection");
    w.String(u"FileVersion", u"1.0.0.1");
    w.String(u"ProductName", u"Quillmarsh");
    w.String(u"ProductVersion", u"1.0.0.1");
    w.End(table);
    w.End(strings);
    const std::size_t vars = w.Begin(u"VarFileInfo", 0, 1);
    const std::size_t translation = w.Begin(u"Translation", 4, 0);
    w.Word(kResourceLanguage);
    w.Word(kResourceCodePage);
    w.End(translation);
    w.End(vars);
    w.End(root);
}

constexpr std::size_t VersionSize() {
    VersionWriter w(nullptr);
    WriteVersion(w);
    return w.size();
}

constexpr auto kVersion = [] {
    std::array<BYTE, VersionSize()> bytes{};
    VersionWriter w(bytes.data());
    WriteVersion(w);
    return bytes;
}();

const auto kEntries = [] {
    std::array<platform::ResourceEntry, 3 + kIconCount> entries{};
    entries[0] = {RT_DIALOG, MAKEINTRESOURCEW(kProgressDialogResource), kResourceLanguage, kProgressDialogBytes.data(),
                  static_cast<DWORD>(kProgressDialogBytes.size())};
    entries[1] = {RT_GROUP_ICON, MAKEINTRESOURCEW(kApplicationIconResource), kResourceLanguage, kIconGroup.data(),
                  static_cast<DWORD>(kIconGroup.size())};
    entries[2] = {RT_VERSION, MAKEINTRESOURCEW(kVersionResource), kResourceLanguage, kVersion.data(),
                  static_cast<DWORD>(kVersion.size())};
    for (std::size_t n = 0; n < kIconCount; ++n) {
        const std::size_t entry = 6 + n * kIcoEntry;
        entries[3 + n] = {RT_ICON, MAKEINTRESOURCEW(n + 1), kResourceLanguage, kIcoFile + IcoDword(entry + 12),
                          IcoDword(entry + 8)};
    }
    return entries;
}();

const platform::ResourceTable resources(&resources, kEntries);

}  // namespace
}  // namespace qlmfile
