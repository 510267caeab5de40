#include "platform/forms/form_automation.h"

#include <array>
#include <optional>
#include <string>

#include "oleauto.h"
#include "platform/error_info.h"
#include "platform/forms/forms.h"
#include "platform/utf.h"

namespace platform::forms {

namespace {

// The gestures a person makes; the keyboard ones act on the form, the others on one control.
enum class Gesture {
    Click,
    DoubleClick,
    Type,
    Clear,
    Choose,
    ClickTab,
    EditDate,
    Focus,
    PressTab,
    ShiftTab,
    CtrlTab,
    CtrlShiftTab,
};

struct GestureName {
    std::u16string_view name;
    Gesture gesture;
};

constexpr std::array kGestures{
    GestureName{u"click", Gesture::Click},       GestureName{u"dblclick", Gesture::DoubleClick},
    GestureName{u"type", Gesture::Type},         GestureName{u"clear", Gesture::Clear},
    GestureName{u"choose", Gesture::Choose},     GestureName{u"clicktab", Gesture::ClickTab},
    GestureName{u"editdate", Gesture::EditDate}, GestureName{u"focus", Gesture::Focus},
    GestureName{u"presstab", Gesture::PressTab}, GestureName{u"shifttab", Gesture::ShiftTab},
    GestureName{u"ctrltab", Gesture::CtrlTab},   GestureName{u"ctrlshifttab", Gesture::CtrlShiftTab},
};

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

std::optional<Gesture> GestureNamed(std::u16string_view text) {
    for (const GestureName& known : kGestures) {
        if (known.name.size() != text.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < text.size() && same; ++i) same = AsciiLower(text[i]) == known.name[i];
        if (same) return known.gesture;
    }
    return std::nullopt;
}

// A decimal index within a control's 16-bit counts, or nothing for any other text.
std::optional<SHORT> DecimalIndex(std::u16string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    LONG value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    if (value > kMaxListItems) return std::nullopt;
    return static_cast<SHORT>(value);
}

// An item of a list box or combo box by index or by its exact text.
template <class List>
std::optional<SHORT> ItemNamed(const List& list, std::u16string_view argument) {
    if (const auto index = DecimalIndex(argument)) {
        if (*index < list.ListCount()) return index;
        return std::nullopt;
    }
    for (SHORT i = 0; i < list.ListCount(); ++i)
        if (list.List(i) == argument) return i;
    return std::nullopt;
}

class GestureRun {
public:
    GestureRun(Form& form, std::u16string_view controlName, std::u16string_view argument)
        : form_(form), controlName_(controlName), argument_(argument) {}

    HRESULT Run(Gesture gesture) {
        switch (gesture) {
        case Gesture::PressTab:
        case Gesture::ShiftTab:
            form_.PressTab(gesture == Gesture::ShiftTab);
            return S_OK;
        case Gesture::CtrlTab:
        case Gesture::CtrlShiftTab:
            return Reached(form_.PressCtrlTab(gesture == Gesture::CtrlShiftTab));
        default:
            break;
        }
        Control* control = form_.Find(controlName_);
        if (control == nullptr) return Refuse(u"There is no control named \"" + std::u16string(controlName_) + u"\"");
        switch (gesture) {
        case Gesture::Click: return Click(*control);
        case Gesture::DoubleClick: return DoubleClick(*control);
        case Gesture::Type: return Type(*control);
        case Gesture::Clear: return Clear(*control);
        case Gesture::Choose: return Choose(*control);
        case Gesture::ClickTab: return ClickTab(*control);
        case Gesture::EditDate: return EditDate(*control);
        case Gesture::Focus: return Focus(*control);
        default: return E_UNEXPECTED;
        }
    }

private:
    HRESULT Click(Control& control) {
        switch (control.Kind()) {
        case ControlKind::CommandButton: return Reached(static_cast<CommandButton&>(control).ClickButton());
        case ControlKind::CheckBox: return Reached(static_cast<CheckBox&>(control).ClickBox());
        case ControlKind::OptionButton: return Reached(static_cast<OptionButton&>(control).ClickButton());
        case ControlKind::ListBox: {
            auto& list = static_cast<ListBox&>(control);
            const auto item = ItemNamed(list, argument_);
            if (!item) return NoSuchItem(control);
            return Reached(list.ClickItem(*item));
        }
        case ControlKind::TabDialog: return ClickTab(control);
        case ControlKind::TextBox:
        case ControlKind::ComboBox:
        case ControlKind::DatePicker: return Focus(control);
        default: return NotTaken(control, u"click");
        }
    }

    HRESULT DoubleClick(Control& control) {
        if (control.Kind() != ControlKind::ListBox) return NotTaken(control, u"dblclick");
        auto& list = static_cast<ListBox&>(control);
        // No item: the empty area below the items.
        SHORT index = -1;
        if (!argument_.empty()) {
            const auto item = ItemNamed(list, argument_);
            if (!item) return NoSuchItem(control);
            index = *item;
        }
        return Reached(list.DoubleClickItem(index));
    }

    TextEntry* EntryOf(Control& control) {
        if (control.Kind() == ControlKind::TextBox) return &static_cast<TextBox&>(control);
        if (control.Kind() == ControlKind::ComboBox) return &static_cast<ComboBox&>(control);
        return nullptr;
    }

    HRESULT Type(Control& control) {
        TextEntry* entry = EntryOf(control);
        if (entry == nullptr) return NotTaken(control, u"type");
        return Reached(entry->TypeKeys(argument_));
    }

    HRESULT Clear(Control& control) {
        TextEntry* entry = EntryOf(control);
        if (entry == nullptr) return NotTaken(control, u"clear");
        return Reached(entry->ClearText());
    }

    HRESULT Choose(Control& control) {
        if (control.Kind() != ControlKind::ComboBox) return NotTaken(control, u"choose");
        auto& combo = static_cast<ComboBox&>(control);
        const auto item = ItemNamed(combo, argument_);
        if (!item) return NoSuchItem(control);
        return Reached(combo.ChooseItem(*item));
    }

    HRESULT ClickTab(Control& control) {
        if (control.Kind() != ControlKind::TabDialog) return NotTaken(control, u"clicktab");
        auto& dialog = static_cast<TabDialog&>(control);
        const auto index = DecimalIndex(argument_);
        if (!index || *index >= dialog.Tabs())
            return Refuse(control.Name() + u" has no tab \"" + std::u16string(argument_) + u"\"");
        return Reached(dialog.ClickTab(*index));
    }

    HRESULT EditDate(Control& control) {
        if (control.Kind() != ControlKind::DatePicker) return NotTaken(control, u"editdate");
        // VarDateFromStr wants its text NUL-terminated.
        const std::u16string text(argument_);
        DATE date = 0;
        if (FAILED(VarDateFromStr(text.c_str(), 0x0409, 0, &date))) return Refuse(u"\"" + text + u"\" is no date");
        return Reached(static_cast<DatePicker&>(control).EditValue(date));
    }

    HRESULT Focus(Control& control) {
        if (!control.CanTakeFocus()) return NotTaken(control, u"focus");
        if (!control.Reachable()) return S_FALSE;
        return form_.SetFocus(control);
    }

    static HRESULT Reached(bool reached) { return reached ? S_OK : S_FALSE; }

    HRESULT NotTaken(const Control& control, std::u16string_view gesture) {
        return Refuse(control.Name() + u" does not take the gesture \"" + std::u16string(gesture) + u"\"");
    }

    HRESULT NoSuchItem(const Control& control) {
        return Refuse(control.Name() + u" has no item \"" + std::u16string(argument_) + u"\"");
    }

    HRESULT Refuse(const std::u16string& why) {
        return platform::com::RaiseError(E_INVALIDARG, why, form_.ErrorSource(), IID_IFormAutomation);
    }

    Form& form_;
    std::u16string_view controlName_;
    std::u16string_view argument_;
};

HRESULT CopyOut(std::u16string_view text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT PresentForm(const Form& form, BSTR* text) {
    // The presentation replaces what cannot be shown, so the UTF-8 it gives always converts.
    const std::optional<std::u16string> page = platform::Utf8ToUtf16(PresentControls(form));
    return CopyOut(page.value_or(u""), text);
}

HRESULT PerformGesture(Form& form, std::u16string_view control, std::u16string_view gesture,
                       std::u16string_view argument) {
    const std::optional<Gesture> known = GestureNamed(gesture);
    if (!known)
        return platform::com::RaiseError(E_INVALIDARG, u"There is no gesture \"" + std::u16string(gesture) + u"\"",
                                         form.ErrorSource(), IID_IFormAutomation);
    return GestureRun(form, control, argument).Run(*known);
}

HRESULT FocusedControlName(const Form& form, BSTR* control) {
    const Control* focused = form.FocusedControl();
    return CopyOut(focused != nullptr ? std::u16string_view(focused->Name()) : std::u16string_view(), control);
}

}  // namespace platform::forms
