#include "platform/forms/presentation.h"

#include <algorithm>

#include "platform/forms/forms.h"
#include "platform/utf.h"

namespace platform::forms {

namespace {

std::string Utf8(std::u16string_view text) {
    if (auto utf8 = platform::Utf16ToUtf8(text)) return *utf8;
    // An unpaired surrogate cannot be shown: each code unit of the text then stands for itself or "?".
    std::string shown;
    for (char16_t c : text) shown += c < 0x80 ? static_cast<char>(c) : '?';
    return shown;
}

std::string Quoted(std::u16string_view text) { return "\"" + Utf8(text) + "\""; }

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Form: return "form";
    case ControlKind::Frame: return "frame";
    case ControlKind::Label: return "label";
    case ControlKind::TextBox: return "textbox";
    case ControlKind::ComboBox: return "combobox";
    case ControlKind::ListBox: return "listbox";
    case ControlKind::CheckBox: return "checkbox";
    case ControlKind::OptionButton: return "option";
    case ControlKind::CommandButton: return "button";
    case ControlKind::TabDialog: return "tabs";
    case ControlKind::TabPage: return "page";
    case ControlKind::DatePicker: return "datepicker";
    }
    return "control";
}

template <class List>
std::string Items(const List& list) {
    std::string items;
    for (SHORT i = 0; i < list.ListCount(); ++i) {
        items += i == list.ListIndex() ? " >" : " ";
        items += Quoted(list.List(i));
    }
    return items;
}

std::string Content(const Control& control) {
    switch (control.Kind()) {
    case ControlKind::Form:
    case ControlKind::TabPage:
        return "";
    case ControlKind::Frame:
        return Quoted(static_cast<const Frame&>(control).Caption());
    case ControlKind::Label:
        return Quoted(static_cast<const Label&>(control).Caption());
    case ControlKind::TextBox:
        return Quoted(static_cast<const TextBox&>(control).DisplayText());
    case ControlKind::ComboBox: {
        const auto& combo = static_cast<const ComboBox&>(control);
        return Quoted(combo.Text()) + Items(combo);
    }
    case ControlKind::ListBox: {
        const auto& list = static_cast<const ListBox&>(control);
        return "(" + std::to_string(list.ListCount()) + " items)" + Items(list);
    }
    case ControlKind::CheckBox: {
        const auto& box = static_cast<const CheckBox&>(control);
        const char* mark = box.Value() == kChecked ? "[x] " : box.Value() == kGrayed ? "[-] " : "[ ] ";
        return mark + Quoted(box.Caption());
    }
    case ControlKind::OptionButton: {
        const auto& option = static_cast<const OptionButton&>(control);
        return (option.Value() ? "(o) " : "( ) ") + Quoted(option.Caption());
    }
    case ControlKind::CommandButton:
        return Quoted(static_cast<const CommandButton&>(control).Caption());
    case ControlKind::TabDialog: {
        const auto& dialog = static_cast<const TabDialog&>(control);
        std::string tabs;
        for (SHORT i = 0; i < dialog.Tabs(); ++i) {
            if (i > 0) tabs += " ";
            const std::string caption = Quoted(dialog.TabCaption(i));
            tabs += i == dialog.Tab() ? "[" + caption + "]" : caption;
        }
        return tabs;
    }
    case ControlKind::DatePicker:
        return Utf8(static_cast<const DatePicker&>(control).Text());
    }
    return "";
}

void AppendControls(const Container& container, int depth, std::string& out);

void AppendControl(const Control& control, int depth, std::string& out) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += PresentControl(control);
    out += '\n';
    if (control.Kind() == ControlKind::Frame) AppendControls(static_cast<const Frame&>(control), depth + 1, out);
    if (control.Kind() == ControlKind::TabDialog)
        AppendControls(static_cast<const TabDialog&>(control).CurrentPage(), depth + 1, out);
}

void AppendControls(const Container& container, int depth, std::string& out) {
    std::vector<Control*> children = container.Children();
    std::stable_sort(children.begin(), children.end(),
                     [](const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); });
    for (const Control* child : children) AppendControl(*child, depth, out);
}

}  // namespace

std::string PresentControl(const Control& control) {
    std::string line = std::string(KindName(control.Kind())) + " " + Utf8(control.Name());
    if (const std::string content = Content(control); !content.empty()) line += " " + content;
    if (!control.EffectivelyEnabled()) line += " disabled";
    if (!control.EffectivelyVisible()) line += " hidden";
    if (control.Focused()) line += " focus";
    return line;
}

std::string PresentControls(const Container& container) {
    std::string out;
    AppendControls(container, 0, out);
    return out;
}

}  // namespace platform::forms
