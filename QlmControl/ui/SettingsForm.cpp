#include "SettingsForm.h"

#include "Layout.h"

namespace qlmcontrol {

namespace {

using namespace platform::forms;

// The dates the pickers hold when the control is created: 18 July 2008 and 29 October 2008, midnight.
constexpr DATE kInitialDate = 39647.0;
constexpr DATE kInitialTime = 39750.0;

}  // namespace

template <class T>
T& SettingsForm::Child(std::u16string_view name) const {
    // The layout creates every child named here with its kind; a mismatch is a fault of the layout table.
    Control* control = form_->Find(name);
    T* typed = dynamic_cast<T*>(control);
    if (typed == nullptr) std::abort();
    return *typed;
}

SettingsForm::SettingsForm()
    : form_(BuildSurface()),
      SSTab1(Child<TabDialog>(u"SSTab1")),
      LoginFrame(Child<Frame>(u"LoginFrame")),
      EmailLabel(Child<Label>(u"EmailLabel")),
      UserCombo(Child<ComboBox>(u"UserCombo")),
      PwdLabel(Child<Label>(u"PwdLabel")),
      Password(Child<TextBox>(u"Password")),
      RMCheck(Child<CheckBox>(u"RMCheck")),
      ReadersFrame(Child<Frame>(u"ReadersFrame")),
      Readers(Child<TextBox>(u"Readers")),
      AddButton(Child<CommandButton>(u"AddButton")),
      ReaderList(Child<ListBox>(u"ReaderList")),
      TimeFrame(Child<Frame>(u"TimeFrame")),
      BeforeCheck(Child<CheckBox>(u"BeforeCheck")),
      DTPickerNotBefore(Child<DatePicker>(u"DTPickerNotBefore")),
      TimePickerNotBefore(Child<DatePicker>(u"TimePickerNotBefore")),
      AfterCheck(Child<CheckBox>(u"AfterCheck")),
      DTPickerNotAfter(Child<DatePicker>(u"DTPickerNotAfter")),
      TimePickerNotAfter(Child<DatePicker>(u"TimePickerNotAfter")),
      NotificationFrame(Child<Frame>(u"NotificationFrame")),
      RRCheck(Child<CheckBox>(u"RRCheck")),
      ReferenceLabel(Child<Label>(u"ReferenceLabel")),
      Reference(Child<TextBox>(u"Reference")),
      ProxyFrame(Child<Frame>(u"ProxyFrame")),
      OptionIE(Child<OptionButton>(u"OptionIE")),
      OptionCustom(Child<OptionButton>(u"OptionCustom")),
      Label2(Child<Label>(u"Label2")),
      ProxyServer(Child<TextBox>(u"ProxyServer")),
      Label3(Child<Label>(u"Label3")),
      ProxyPort(Child<TextBox>(u"ProxyPort")),
      CheckShowPopUp(Child<CheckBox>(u"CheckShowPopUp")) {
    SetInitialStates();
    ConnectRules();
    (void)ClearTabStops();
    (void)SetMainTabOrder();
}

void SettingsForm::SetInitialStates() {
    (void)Password.SetPasswordChar(u"*");
    (void)Reference.SetMaxLength(30);
    Reference.SetEnabled(false);
    Reference.SetBackColor(kDisabledGrey);
    ReferenceLabel.SetEnabled(false);
    for (DatePicker* picker : {&DTPickerNotBefore, &DTPickerNotAfter}) (void)picker->SetValue(kInitialDate);
    for (DatePicker* picker : {&TimePickerNotBefore, &TimePickerNotAfter}) {
        picker->SetFormat(DateFormat::Time);
        (void)picker->SetValue(kInitialTime);
    }
    // The pickers start enabled although their ends are off: a person may pick a date first, and the edit
    // switches its end on.
    OptionIE.SetValue(true);
    (void)CheckShowPopUp.SetValue(kChecked);
    CheckShowPopUp.SetVisible(false);
}

void SettingsForm::ConnectRules() {
    AddButton.Click.Add([this] { AddButtonClicked(); });
    ReaderList.DblClick.Add([this] { ReaderListDoubleClicked(); });
    UserCombo.Click.Add([this] { UserChosen(); });
    BeforeCheck.Click.Add([this] { EndSwitched(BeforeCheck, DTPickerNotBefore, TimePickerNotBefore); });
    AfterCheck.Click.Add([this] { EndSwitched(AfterCheck, DTPickerNotAfter, TimePickerNotAfter); });
    DTPickerNotBefore.Change.Add([this] { DateEdited(BeforeCheck, DTPickerNotBefore, AfterCheck, DTPickerNotAfter); });
    DTPickerNotAfter.Change.Add([this] { DateEdited(AfterCheck, DTPickerNotAfter, BeforeCheck, DTPickerNotBefore); });
    RRCheck.Click.Add([this] { NotificationSwitched(); });
    ProxyServer.Change.Add([this] { ProxyServerChanged(); });
    SSTab1.MouseUp.Add([this](SHORT, SHORT, float, float) { TabDialogMouseUp(); });
}

}  // namespace qlmcontrol
