#pragma once
// The presenter interface inside the platform: the window code tells it what happens, it shows it.
#include <string_view>

#include "platform/presenter.h"
#include "windef.h"

namespace platform::user {

class Presenter {
public:
    virtual ~Presenter() = default;
    virtual PresenterKind kind() const = 0;

    // Returns IDOK for MB_OK and IDYES or IDNO for MB_YESNO.
    virtual int ShowMessageBox(std::u16string_view caption, std::u16string_view text, UINT style) = 0;

    // On the dialog's thread: shown after WM_INITDIALOG, ended when its modal loop has stopped and
    // the dialog is destroyed.
    virtual void DialogShown(HWND /*dialog*/) {}
    virtual void DialogEnded(HWND /*dialog*/, INT_PTR /*result*/) {}

    // How often the modal loop calls DialogTick (0: never): input and repaint, on the dialog's thread.
    virtual DWORD TickMs() const { return 0; }
    virtual void DialogTick(HWND /*dialog*/) {}

    // Whether BarChanged is wanted: it is called on the sender's thread for every PBM_* that sets
    // something, so only a presenter that records everything asks for it.
    virtual bool ObservesBars() const { return false; }
    virtual void BarChanged(HWND /*bar*/, const ProgressBarState& /*state*/) {}
};

// The presenter in force: a test's override, else the one chosen for this process.
Presenter& ActivePresenter();
// A test's override, in force until removed (the previous override comes back).
void PushPresenter(Presenter* presenter);
void RemovePresenter(Presenter* presenter);

// One relaxed load: is a presenter that observes bars in force?
bool BarsObserved();
void NotifyBarChanged(HWND bar, const ProgressBarState& state);

Presenter* NewHeadlessPresenter();
// Null when the program has no controlling terminal.
Presenter* NewTerminalPresenter();

}  // namespace platform::user
