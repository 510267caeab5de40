#include "test_dialogs.h"

#include "platform/dialog_template.h"
#include "platform/resources.h"

namespace usertest {
namespace {

using platform::DialogTemplateHeader;
using platform::DialogTemplateItem;

constexpr DialogTemplateHeader kPlainHeader{
    0, 0, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 10, 20, 150, 60, u"Test",
    {8, 400, 0, 1, u"MS Shell Dlg"}};
constexpr DialogTemplateItem kPlainItems[] = {
    {0, 0, WS_CHILD | WS_VISIBLE, 5, 5, 100, 10, kStaticId, platform::kStaticClassOrdinal, {}, u"Working"},
    {0, 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 50, 40, 50, 14, IDCANCEL, platform::kButtonClassOrdinal, {}, u"Cancel"},
};
constexpr auto kPlainBytes =
    platform::BuildDialogTemplate<platform::DialogTemplateSize(kPlainHeader, kPlainItems)>(kPlainHeader, kPlainItems);

constexpr DialogTemplateHeader kUnknownHeader{0, 0, WS_POPUP, 0, 0, 100, 50, u"Unknown", {}};
constexpr DialogTemplateItem kUnknownItems[] = {
    {0, 0, WS_CHILD, 0, 0, 10, 10, 1, 0, u"NoSuchClass", u""},
};
constexpr auto kUnknownBytes = platform::BuildDialogTemplate<platform::DialogTemplateSize(kUnknownHeader, kUnknownItems)>(
    kUnknownHeader, kUnknownItems);

constexpr BYTE kBrokenBytes[] = {1, 0, 0xFF, 0xFF, 0, 0};

const platform::ResourceEntry kEntries[] = {
    {RT_DIALOG, MAKEINTRESOURCEW(kPlainDialog), 0x0409, kPlainBytes.data(), static_cast<DWORD>(kPlainBytes.size())},
    {RT_DIALOG, MAKEINTRESOURCEW(kUnknownClassDialog), 0x0409, kUnknownBytes.data(),
     static_cast<DWORD>(kUnknownBytes.size())},
    {RT_DIALOG, MAKEINTRESOURCEW(kBrokenDialog), 0x0409, kBrokenBytes, sizeof kBrokenBytes},
    {RT_RCDATA, u"Greeting", 0x0409, "hello", 5},
};

const platform::ResourceTable resources(&resources, kEntries);

}  // namespace
}  // namespace usertest
