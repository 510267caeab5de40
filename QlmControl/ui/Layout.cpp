#include "Layout.h"

#include <array>
#include <cstdlib>
#include <string_view>

#include "SettingsForm.h"
#include "platform/forms/forms.h"

namespace qlmcontrol {

namespace {

using platform::forms::Container;
using platform::forms::ControlKind;

// The control's own initial extent, in twips.
constexpr LONG kExtentWidth = 7815;
constexpr LONG kExtentHeight = 3870;

constexpr std::array<std::u16string_view, 3> kPageCaptions{u"Main", u"Advanced", u"Configuration"};
constexpr SHORT kOnForm = -1;

// One child. Frames and CheckShowPopUp lie on a page of SSTab1 (positions relative to the tab dialog);
// the others lie in a frame (positions relative to it).
struct ChildLayout {
    ControlKind kind;
    std::u16string_view name;
    SHORT page;                 // SSTab1's page, for what lies directly on a page; kOnForm for SSTab1
    std::u16string_view frame;  // the frame it lies in, if any
    LONG left, top, width, height;
    std::u16string_view caption;
    std::u16string_view toolTip;
};

constexpr std::u16string_view kNoteTip = u"Include this note in the notification email";

// In the order of the initial keyboard indexes (0 to 29): each child is created in turn, so it takes its
// index in the form's one sequence. A frame comes before its children.
constexpr ChildLayout kChildren[] = {
    {ControlKind::TabDialog, u"SSTab1", kOnForm, {}, 0, 0, 7695, 3015, {}, {}},
    {ControlKind::Frame, u"ProxyFrame", 2, {}, 240, 480, 7215, 1935, u"Proxy Server", {}},
    {ControlKind::TextBox, u"ProxyPort", 2, u"ProxyFrame", 5280, 1290, 615, 285, {}, {}},
    {ControlKind::TextBox, u"ProxyServer", 2, u"ProxyFrame", 1800, 1290, 2775, 285, {}, {}},
    {ControlKind::OptionButton, u"OptionCustom", 2, u"ProxyFrame", 720, 840, 2295, 255, u"Custom Setting", {}},
    {ControlKind::OptionButton, u"OptionIE", 2, u"ProxyFrame", 720, 360, 3735, 375,
     u"Use Internet Explorer Setting (Recommended)", {}},
    {ControlKind::Label, u"Label3", 2, u"ProxyFrame", 4800, 1320, 495, 255, u"Port:", {}},
    {ControlKind::Label, u"Label2", 2, u"ProxyFrame", 1080, 1320, 615, 255, u"Address:", {}},
    {ControlKind::Frame, u"NotificationFrame", 1, {}, 3960, 480, 3495, 2295, u"Notification", {}},
    {ControlKind::TextBox, u"Reference", 1, u"NotificationFrame", 480, 1440, 2715, 290, {}, kNoteTip},
    {ControlKind::CheckBox, u"RRCheck", 1, u"NotificationFrame", 240, 360, 3135, 615,
     u"Email me when authorized user decrypts the protected content", u"Check to enable email notification"},
    {ControlKind::Label, u"ReferenceLabel", 1, u"NotificationFrame", 480, 1200, 1575, 285, u"Reference (optional)",
     kNoteTip},
    {ControlKind::Frame, u"TimeFrame", 1, {}, 240, 480, 3495, 2295, u"Do Not Allow Decryption", {}},
    {ControlKind::DatePicker, u"DTPickerNotAfter", 1, u"TimeFrame", 480, 1680, 1335, 375, {}, {}},
    {ControlKind::CheckBox, u"AfterCheck", 1, u"TimeFrame", 240, 1320, 975, 300, u"After",
     u"Readers cannot decrypt the content after this time"},
    {ControlKind::CheckBox, u"BeforeCheck", 1, u"TimeFrame", 240, 360, 975, 300, u"Before",
     u"Readers cannot decrypt the content before this time"},
    {ControlKind::DatePicker, u"DTPickerNotBefore", 1, u"TimeFrame", 480, 720, 1335, 375, {}, {}},
    {ControlKind::Frame, u"ReadersFrame", 0, {}, 3960, 480, 3495, 2295, u"Who Can decrypt?", {}},
    {ControlKind::CommandButton, u"AddButton", 0, u"ReadersFrame", 2760, 360, 495, 290, u"Add", {}},
    {ControlKind::ListBox, u"ReaderList", 0, u"ReadersFrame", 240, 840, 3015, 1230, {},
     u"Double click to remove reader"},
    {ControlKind::TextBox, u"Readers", 0, u"ReadersFrame", 240, 360, 2520, 290, {},
     u"Enter email addresses (e.g. alice@example.com, bob@example.com)"},
    {ControlKind::Frame, u"LoginFrame", 0, {}, 240, 480, 3495, 2295, u"Your Quillmarsh Login", {}},
    {ControlKind::CheckBox, u"RMCheck", 0, u"LoginFrame", 1080, 1440, 1935, 255, u"Remember password",
     u"Remember password until log off Windows"},
    {ControlKind::TextBox, u"Password", 0, u"LoginFrame", 1080, 960, 2175, 285, {}, u"Your Quillmarsh account password"},
    {ControlKind::ComboBox, u"UserCombo", 0, u"LoginFrame", 1080, 360, 2175, 315, {}, u"Your email address"},
    {ControlKind::Label, u"PwdLabel", 0, u"LoginFrame", 240, 990, 975, 255, u"Password", {}},
    {ControlKind::Label, u"EmailLabel", 0, u"LoginFrame", 240, 420, 975, 255, u"Email", {}},
    {ControlKind::DatePicker, u"TimePickerNotBefore", 1, u"TimeFrame", 1920, 720, 1335, 375, {}, {}},
    {ControlKind::DatePicker, u"TimePickerNotAfter", 1, u"TimeFrame", 1920, 1680, 1335, 375, {}, {}},
    {ControlKind::CheckBox, u"CheckShowPopUp", 2, {}, 360, 2520, 5535, 375, u"Show decrypted content in new window",
     {}},
};

template <class T>
T& AddWithCaption(Container& container, const ChildLayout& child) {
    T& control = container.Add<T>(std::u16string(child.name));
    control.SetCaption(child.caption);
    return control;
}

platform::forms::Control& Create(Container& container, const ChildLayout& child) {
    namespace f = platform::forms;
    switch (child.kind) {
    case ControlKind::TabDialog: return container.Add<f::TabDialog>(std::u16string(child.name), SHORT{3});
    case ControlKind::Frame: return AddWithCaption<f::Frame>(container, child);
    case ControlKind::Label: return AddWithCaption<f::Label>(container, child);
    case ControlKind::CheckBox: return AddWithCaption<f::CheckBox>(container, child);
    case ControlKind::OptionButton: return AddWithCaption<f::OptionButton>(container, child);
    case ControlKind::CommandButton: return AddWithCaption<f::CommandButton>(container, child);
    case ControlKind::TextBox: return container.Add<f::TextBox>(std::u16string(child.name));
    case ControlKind::ComboBox: return container.Add<f::ComboBox>(std::u16string(child.name));
    case ControlKind::ListBox: return container.Add<f::ListBox>(std::u16string(child.name));
    case ControlKind::DatePicker: return container.Add<f::DatePicker>(std::u16string(child.name));
    default: break;
    }
    // Only the kinds above appear in the table.
    std::abort();
}

}  // namespace

std::unique_ptr<platform::forms::Form> BuildSurface() {
    auto form = std::make_unique<platform::forms::Form>(u"QlmUI");
    form->SetErrorSource(kErrorSource);
    (void)form->Move(0, 0, kExtentWidth, kExtentHeight);

    platform::forms::TabDialog* tabs = nullptr;
    for (const ChildLayout& child : kChildren) {
        Container* container = form.get();
        if (!child.frame.empty())
            container = static_cast<platform::forms::Frame*>(form->Find(child.frame));
        else if (child.page != kOnForm)
            container = &tabs->Page(child.page);
        platform::forms::Control& control = Create(*container, child);
        (void)control.Move(child.left, child.top, child.width, child.height);
        control.SetToolTipText(child.toolTip);
        if (child.kind == ControlKind::TabDialog) tabs = static_cast<platform::forms::TabDialog*>(&control);
    }
    for (SHORT page = 0; page < static_cast<SHORT>(kPageCaptions.size()); ++page)
        (void)tabs->SetTabCaption(page, kPageCaptions[static_cast<std::size_t>(page)]);
    return form;
}

}  // namespace qlmcontrol
