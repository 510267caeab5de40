// Choosing the presenter, the headless one, the scripted one for tests, and pressing dialog buttons.
#include "presenters.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "dialogs.h"
#include "window_manager.h"
#include "platform/utf.h"
#include "winuser.h"

namespace platform::user {
namespace {

struct Overrides {
    std::mutex mutex;
    std::vector<Presenter*> stack;
};

Overrides& TheOverrides() {
    static auto* overrides = new Overrides;
    return *overrides;
}

std::atomic<Presenter*> g_override{nullptr};
std::atomic<bool> g_observeBars{false};

void Refresh(Overrides& o) {
    Presenter* top = o.stack.empty() ? nullptr : o.stack.back();
    g_override.store(top, std::memory_order_release);
    g_observeBars.store(top != nullptr && top->ObservesBars(), std::memory_order_relaxed);
}

std::string Utf8(std::u16string_view text) {
    return platform::Utf16ToUtf8(text).value_or(std::string(text.begin(), text.end()));
}

class HeadlessPresenter final : public Presenter {
public:
    PresenterKind kind() const override { return PresenterKind::Headless; }

    // Nobody can answer: the text goes to standard error and a question gets No, so nothing is
    // replaced without consent.
    int ShowMessageBox(std::u16string_view caption, std::u16string_view text, UINT style) override {
        std::string body = Utf8(text);
        while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
        std::string out = Utf8(caption) + ": " + body + "\n";
        const bool question = (style & MB_TYPEMASK) == MB_YESNO;
        if (question) out += Utf8(caption) + ": no terminal to answer on; the answer is No.\n";
        for (std::size_t done = 0; done < out.size();) {
            const ssize_t n = ::write(STDERR_FILENO, out.data() + done, out.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        return question ? IDNO : IDOK;
    }
};

}  // namespace

Presenter& ActivePresenter() {
    if (Presenter* p = g_override.load(std::memory_order_acquire)) return *p;
    static Presenter* automatic = [] {
        Presenter* terminal = NewTerminalPresenter();
        return terminal != nullptr ? terminal : NewHeadlessPresenter();
    }();
    return *automatic;
}

void PushPresenter(Presenter* presenter) {
    Overrides& o = TheOverrides();
    std::lock_guard lock(o.mutex);
    o.stack.push_back(presenter);
    Refresh(o);
}

void RemovePresenter(Presenter* presenter) {
    Overrides& o = TheOverrides();
    std::lock_guard lock(o.mutex);
    std::erase(o.stack, presenter);
    Refresh(o);
}

bool BarsObserved() { return g_observeBars.load(std::memory_order_relaxed); }

void NotifyBarChanged(HWND bar, const ProgressBarState& state) {
    if (Presenter* p = g_override.load(std::memory_order_acquire)) p->BarChanged(bar, state);
}

Presenter* NewHeadlessPresenter() { return new HeadlessPresenter; }

}  // namespace platform::user

namespace platform {

using user::Presenter;

PresenterKind ActivePresenterKind() { return user::ActivePresenter().kind(); }

BOOL PressDialog(HWND dialog, DialogInput input) {
    if (!IsWindow(dialog)) return FALSE;
    switch (input) {
        case DialogInput::CancelButton: {
            const HWND button = user::FindChild(dialog, IDCANCEL);
            return button != nullptr ? PostMessageW(button, BM_CLICK, 0, 0) : FALSE;
        }
        case DialogInput::EscapeKey:
            return PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        case DialogInput::CloseBox:
            return PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        case DialogInput::OkCommand:
            return PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
    return FALSE;
}

class ScriptedPresenter::Script final : public Presenter {
public:
    PresenterKind kind() const override { return PresenterKind::Scripted; }

    int ShowMessageBox(std::u16string_view caption, std::u16string_view text, UINT style) override {
        std::lock_guard lock(mutex);
        int answer = (style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        boxes.push_back({std::u16string(caption), std::u16string(text), style, answer});
        return answer;
    }

    void DialogShown(HWND dialog) override {
        std::vector<DialogInput> presses;
        {
            std::lock_guard lock(mutex);
            events.push_back({EventKind::Shown, dialog, user::WindowText(dialog), {}, 0});
            shown = dialog;
            ++shownCount;
            presses.swap(pressWhenShown);
            changed.notify_all();
        }
        for (DialogInput input : presses) PressDialog(dialog, input);
    }

    void DialogEnded(HWND dialog, INT_PTR result) override {
        std::lock_guard lock(mutex);
        // The dialog is gone by now: its caption is the one it was shown with.
        std::u16string caption;
        for (const DialogEvent& e : events) {
            if (e.kind == EventKind::Shown && e.dialog == dialog) caption = e.caption;
        }
        events.push_back({EventKind::Ended, dialog, caption, {}, result});
        if (shown == dialog) shown = nullptr;
        ++endedCount;
        changed.notify_all();
    }

    bool ObservesBars() const override { return true; }

    void BarChanged(HWND bar, const ProgressBarState& state) override {
        std::vector<DialogInput> presses;
        std::function<void(HWND, const ProgressBarState&)> notify;
        {
            std::lock_guard lock(mutex);
            events.push_back({EventKind::BarChanged, bar, {}, state, 0});
            for (auto it = pressAt.begin(); it != pressAt.end();) {
                if (state.position >= it->first) {
                    presses.push_back(it->second);
                    it = pressAt.erase(it);
                } else {
                    ++it;
                }
            }
            notify = observer;
        }
        if (!presses.empty()) {
            const HWND dialog = GetParent(bar);
            for (DialogInput input : presses) PressDialog(dialog, input);
        }
        if (notify) notify(bar, state);
    }

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::deque<int> answers;
    std::vector<ScriptedPresenter::MessageBox> boxes;
    std::vector<DialogEvent> events;
    std::vector<DialogInput> pressWhenShown;
    std::vector<std::pair<int, DialogInput>> pressAt;
    std::function<void(HWND, const ProgressBarState&)> observer;
    HWND shown = nullptr;
    unsigned shownCount = 0;
    unsigned endedCount = 0;
};

ScriptedPresenter::ScriptedPresenter() : script_(std::make_unique<Script>()) { user::PushPresenter(script_.get()); }

ScriptedPresenter::~ScriptedPresenter() {
    user::RemovePresenter(script_.get());
    // A dialog thread may be finishing a call into the script: let it leave first.
    std::lock_guard lock(script_->mutex);
}

void ScriptedPresenter::QueueAnswer(int answer) {
    std::lock_guard lock(script_->mutex);
    script_->answers.push_back(answer);
}

void ScriptedPresenter::PressWhenShown(DialogInput input) {
    std::lock_guard lock(script_->mutex);
    script_->pressWhenShown.push_back(input);
}

void ScriptedPresenter::PressWhenBarReaches(int position, DialogInput input) {
    std::lock_guard lock(script_->mutex);
    script_->pressAt.emplace_back(position, input);
}

void ScriptedPresenter::OnBarChanged(std::function<void(HWND, const ProgressBarState&)> observer) {
    std::lock_guard lock(script_->mutex);
    script_->observer = std::move(observer);
}

std::vector<ScriptedPresenter::MessageBox> ScriptedPresenter::MessageBoxes() const {
    std::lock_guard lock(script_->mutex);
    return script_->boxes;
}

std::vector<ScriptedPresenter::DialogEvent> ScriptedPresenter::Events() const {
    std::lock_guard lock(script_->mutex);
    return script_->events;
}

std::vector<int> ScriptedPresenter::BarPositions() const {
    std::lock_guard lock(script_->mutex);
    std::vector<int> positions;
    for (const DialogEvent& e : script_->events) {
        if (e.kind == EventKind::BarChanged && (positions.empty() || positions.back() != e.bar.position)) {
            positions.push_back(e.bar.position);
        }
    }
    return positions;
}

HWND ScriptedPresenter::ShownDialog() const {
    std::lock_guard lock(script_->mutex);
    return script_->shown;
}

bool ScriptedPresenter::WaitForShown(DWORD timeoutMs) const {
    std::unique_lock lock(script_->mutex);
    return script_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return script_->shownCount > 0; });
}

bool ScriptedPresenter::WaitForEnded(DWORD timeoutMs) const {
    std::unique_lock lock(script_->mutex);
    return script_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return script_->endedCount > 0; });
}

ScopedHeadlessPresenter::ScopedHeadlessPresenter() : presenter_(user::NewHeadlessPresenter()) {
    user::PushPresenter(presenter_.get());
}

ScopedHeadlessPresenter::~ScopedHeadlessPresenter() { user::RemovePresenter(presenter_.get()); }

}  // namespace platform
