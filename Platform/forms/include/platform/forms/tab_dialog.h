#pragma once
// A tabbed dialog: a row of tabs over one page per tab. Each page is a container that owns the controls
// placed on it; only the current page is shown. As with the real control, which only moves the other
// pages' controls out of sight, the controls of the other pages stay in the form's keyboard order.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/container.h"
#include "platform/forms/event.h"

namespace platform::forms {

// The mouse notifications' Button and Shift arguments.
inline constexpr SHORT kLeftButton = 1;
inline constexpr SHORT kRightButton = 2;
inline constexpr SHORT kMiddleButton = 4;
inline constexpr SHORT kShiftMask = 1;
inline constexpr SHORT kCtrlMask = 2;
inline constexpr SHORT kAltMask = 4;

class TabDialog;

class TabPage final : public Container {
public:
    TabPage(CreationKey key, TabDialog& dialog, SHORT index);
    TabDialog& Dialog() const { return dialog_; }
    SHORT Index() const { return index_; }
    bool IsCurrent() const;

private:
    TabDialog& dialog_;
    SHORT index_;
};

class TabDialog final : public Control {
public:
    TabDialog(CreationKey key, std::u16string name, SHORT tabs = 3);
    ~TabDialog() override;

    // The number of tabs (pages), at least 1. Fewer tabs drop the last pages, which must be empty: a page
    // that holds controls, or a count below 1, is refused with "Invalid property value". When the current
    // page goes, the last remaining page becomes current (a page change: Click).
    SHORT Tabs() const { return static_cast<SHORT>(pages_.size()); }
    HRESULT SetTabs(SHORT tabs);

    // A tab's caption; an index out of range is refused with "Invalid property array index" (0x800A017D)
    // and reads as the empty string.
    std::u16string TabCaption(SHORT index) const;
    HRESULT SetTabCaption(SHORT index, std::u16string_view caption);

    // The current page's index. Assigning another page raises Click(previous page); an index out of range
    // is refused with "Invalid property value".
    SHORT Tab() const { return tab_; }
    HRESULT SetTab(SHORT index);

    // The page of a tab (0 <= index < Tabs()), to place controls on.
    TabPage& Page(SHORT index) const { return *pages_.at(static_cast<std::size_t>(index)); }
    TabPage& CurrentPage() const { return Page(tab_); }

    // The height of the row of tabs, in twips; the tabs share the dialog's width equally.
    LONG TabHeight() const { return tabHeight_; }
    void SetTabHeight(LONG height) { tabHeight_ = height; }
    // The tab under a point (twips, relative to the dialog), or -1.
    SHORT TabAt(float x, float y) const;

    // A person's click on the dialog at x, y (twips, relative to the dialog): the dialog takes the focus
    // and raises MouseDown, then, when the left button hits a tab other than the current one, the page
    // change (Click with the previous page), then MouseUp.
    bool ClickAt(float x, float y, SHORT button = kLeftButton, SHORT shift = 0);
    // The same at the middle of a tab.
    bool ClickTab(SHORT index, SHORT button = kLeftButton, SHORT shift = 0);
    // Ctrl+Tab (Ctrl+Shift+Tab with previous): the next (previous) page, wrapping around; raises Click and
    // no mouse notification. Form::PressCtrlTab sends it to the dialog that holds the focus.
    bool TurnPageByKeyboard(bool previous = false);

    // Click(PreviousTab); MouseDown / MouseUp (Button, Shift, X, Y).
    Event<SHORT> Click;
    Event<SHORT, SHORT, float, float> MouseDown;
    Event<SHORT, SHORT, float, float> MouseUp;

private:
    void AppendPage();
    void ChangePage(SHORT index);

    std::vector<std::unique_ptr<TabPage>> pages_;
    std::vector<std::u16string> captions_;
    SHORT tab_ = 0;
    LONG tabHeight_ = 300;
};

}  // namespace platform::forms
