#pragma once
// Presenters: what windows look like. The platform picks one when it first needs it:
//   - terminal, when the program has a controlling terminal (/dev/tty opens and standard input or
//     standard error is a terminal): a dialog is one line with its caption, its bar, the percentage
//     and "Esc: Cancel", Esc and Ctrl-C press Cancel; a message box prints its caption and text and a
//     Yes/No box takes only an explicit "y"/"yes";
//   - headless otherwise: message boxes go to standard error, Yes/No answers No, dialogs draw
//     nothing and take no input.
// Tests put a scripted or headless presenter in place for a scope with the classes below.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "windef.h"

namespace platform {

enum class PresenterKind { Terminal, Headless, Scripted };

// The presenter that the next message box or dialog uses.
PresenterKind ActivePresenterKind();

// The state of a progress bar.
struct ProgressBarState {
    int low;
    int high;
    int step;
    int position;
};

// How a person ends a dialog.
enum class DialogInput {
    CancelButton,  // clicks the button with IDCANCEL
    EscapeKey,     // presses Esc in the dialog
    CloseBox,      // clicks the close box of the caption
    OkCommand,     // WM_COMMAND with IDOK, as another program could send it
};

// Delivers `input` to a running dialog from any thread, as the person's action would arrive (posted
// to the dialog's thread). FALSE when the dialog is gone (or, for CancelButton, has no such button).
BOOL PressDialog(HWND dialog, DialogInput input);

namespace user {
class Presenter;
}

// Records every message box, every dialog state and every bar change; answers message boxes from a
// queue (IDOK for MB_OK and IDNO for MB_YESNO when the queue is empty); can press a dialog's button
// when it appears or when its bar reaches a position. Active from construction to destruction.
class ScriptedPresenter {
public:
    struct MessageBox {
        std::u16string caption;
        std::u16string text;
        UINT style;
        int result;
    };
    enum class EventKind { Shown, BarChanged, Ended };
    struct DialogEvent {
        EventKind kind;
        HWND dialog;  // the bar for BarChanged
        std::u16string caption;
        ProgressBarState bar;  // BarChanged: the bar's state after the change
        INT_PTR result;        // Ended: what DialogBoxParamW returns
    };

    ScriptedPresenter();
    ~ScriptedPresenter();
    ScriptedPresenter(const ScriptedPresenter&) = delete;
    ScriptedPresenter& operator=(const ScriptedPresenter&) = delete;

    void QueueAnswer(int answer);
    void PressWhenShown(DialogInput input);
    void PressWhenBarReaches(int position, DialogInput input);
    // Called on the thread that changed a bar, after the change is recorded.
    void OnBarChanged(std::function<void(HWND bar, const ProgressBarState&)> observer);

    std::vector<MessageBox> MessageBoxes() const;
    std::vector<DialogEvent> Events() const;
    // The bar positions in the order they were set, a repeated position kept once.
    std::vector<int> BarPositions() const;
    // The dialog that is shown now, or null.
    HWND ShownDialog() const;
    bool WaitForShown(DWORD timeoutMs) const;
    bool WaitForEnded(DWORD timeoutMs) const;

private:
    class Script;
    std::unique_ptr<Script> script_;
};

// Forces the headless presenter for a scope (a test that checks what goes to standard error).
class ScopedHeadlessPresenter {
public:
    ScopedHeadlessPresenter();
    ~ScopedHeadlessPresenter();
    ScopedHeadlessPresenter(const ScopedHeadlessPresenter&) = delete;
    ScopedHeadlessPresenter& operator=(const ScopedHeadlessPresenter&) = delete;

private:
    std::unique_ptr<user::Presenter> presenter_;
};

}  // namespace platform
