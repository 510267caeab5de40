#pragma once
// The surface of the QlmUI control: its child controls on the three pages of SSTab1, the rules that keep
// them consistent while a person or the host changes them, the layout by mode and the keyboard order by
// page. The control keeps its state here: every property is a view of one child, or of the stored mode.
//
// Everything runs on the host's user-interface thread; nothing is locked.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/forms.h"

namespace qlmcontrol {

// What the password box shows for a user whose password the host remembers: the contract with the host,
// which reads it back through PwdValue.
inline constexpr std::u16string_view kPasswordPlaceholder = u"QLMUI_PlaceholderSecretMarkerAb";

// The source named in the error information of everything the control refuses.
inline constexpr std::u16string_view kErrorSource = u"Quillmarsh";

// The colours the panels switch between: a box that cannot be used is grey, one that can has the
// window background.
inline constexpr platform::forms::OleColor kDisabledGrey = 0xC0C0C0;
inline constexpr platform::forms::OleColor kWindowBackground = platform::forms::kColorWindowBackground;

// The stored mode that arranges the control for opening protected content.
inline constexpr LONG kModeOpenContent = 1;

class SettingsForm {
public:
    // Created: the children with their captions, positions and initial states, and the keyboard order of
    // the page "Main".
    SettingsForm();
    SettingsForm(const SettingsForm&) = delete;
    SettingsForm& operator=(const SettingsForm&) = delete;

    platform::forms::Form& Surface() { return *form_; }
    const platform::forms::Form& Surface() const { return *form_; }

    // Shown: selects the login item whose text equals the user name exactly (the last such item wins),
    // which fills the password box and the remember box from its flag.
    HRESULT Shown();
    // Painted: in mode 1, the reader list, the time window and the notification are disabled and
    // CheckShowPopUp is shown. Nothing undoes it.
    HRESULT Painted();

    // The stored mode (any 32-bit value; 1 is the arrangement for opening protected content).
    LONG Mode() const { return mode_; }
    void SetMode(LONG mode) { mode_ = mode; }

    // The reader list: appends an entry as it is; the entries joined by ";".
    HRESULT AddReader(std::u16string_view reader);
    std::u16string GetReaders() const;
    // The login list: appends a user name with its has-password flag.
    HRESULT AddUsername(std::u16string_view username, bool hasPassword);

    // The keyboard order by page: the managed controls out of the order, then one page's back in.
    HRESULT ClearTabStops();
    HRESULT SetMainTabOrder();
    HRESULT SetAdvancedTabOrder();
    HRESULT SetConfigurationTabOrder();

private:
    std::unique_ptr<platform::forms::Form> form_;

public:
    // The children, by the names hosts and the rules know them. (Declared after form_, which owns them.)
    platform::forms::TabDialog& SSTab1;
    // Page "Main".
    platform::forms::Frame& LoginFrame;
    platform::forms::Label& EmailLabel;
    platform::forms::ComboBox& UserCombo;
    platform::forms::Label& PwdLabel;
    platform::forms::TextBox& Password;
    platform::forms::CheckBox& RMCheck;
    platform::forms::Frame& ReadersFrame;
    platform::forms::TextBox& Readers;
    platform::forms::CommandButton& AddButton;
    platform::forms::ListBox& ReaderList;
    // Page "Advanced".
    platform::forms::Frame& TimeFrame;
    platform::forms::CheckBox& BeforeCheck;
    platform::forms::DatePicker& DTPickerNotBefore;
    platform::forms::DatePicker& TimePickerNotBefore;
    platform::forms::CheckBox& AfterCheck;
    platform::forms::DatePicker& DTPickerNotAfter;
    platform::forms::DatePicker& TimePickerNotAfter;
    platform::forms::Frame& NotificationFrame;
    platform::forms::CheckBox& RRCheck;
    platform::forms::Label& ReferenceLabel;
    platform::forms::TextBox& Reference;
    // Page "Configuration".
    platform::forms::Frame& ProxyFrame;
    platform::forms::OptionButton& OptionIE;
    platform::forms::OptionButton& OptionCustom;
    platform::forms::Label& Label2;
    platform::forms::TextBox& ProxyServer;
    platform::forms::Label& Label3;
    platform::forms::TextBox& ProxyPort;
    platform::forms::CheckBox& CheckShowPopUp;

private:
    template <class T>
    T& Child(std::u16string_view name) const;

    void SetInitialStates();
    void ConnectRules();

    // The rules behind the panels, each run by its child's own event.
    void AddButtonClicked();
    void ReaderListDoubleClicked();
    void UserChosen();
    void EndSwitched(const platform::forms::CheckBox& box, platform::forms::DatePicker& datePicker,
                     platform::forms::DatePicker& timePicker);
    void DateEdited(platform::forms::CheckBox& editedBox, platform::forms::DatePicker& edited,
                    const platform::forms::CheckBox& otherBox, platform::forms::DatePicker& other);
    void NotificationSwitched();
    void ProxyServerChanged();
    void TabDialogMouseUp();

    HRESULT SetTabOrder(std::initializer_list<platform::forms::Control*> sequence);

    LONG mode_ = 0;
    // The has-password flag of each item of UserCombo, in item order; it only grows, as the items do.
    std::vector<bool> hasPwdList_;
};

}  // namespace qlmcontrol
