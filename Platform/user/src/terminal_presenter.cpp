// The terminal presenter: a dialog is one line with its caption, bar, percentage and "Esc: Cancel";
// message boxes print their caption and text and a Yes/No box asks on the terminal.
//
// While a dialog runs the terminal is non-canonical and silent, so that Esc and Ctrl-C arrive as
// keys (Ctrl-C is then no signal). Its settings come back on every way out: the dialog's end, the
// process's exit (which happens while the dialog thread still runs: QlmFile never closes its
// dialog), and SIGINT, SIGTERM and SIGHUP.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

#include "dialogs.h"
#include "platform/utf.h"
#include "presenters.h"
#include "window_manager.h"
#include "winuser.h"

namespace platform::user {
namespace {

constexpr DWORD kRepaintMs = 33;  // at most about 30 repaints a second
constexpr int kBarWidth = 30;
constexpr char kClearLine[] = "\r\033[K";

// What a signal handler or the exit handler needs, kept where they can reach it without locks.
termios g_saved{};
std::atomic<int> g_rawFd{-1};   // the terminal while it is in the dialog's mode
std::atomic<int> g_lineFd{-1};  // where a dialog line is drawn, while one is
std::atomic<bool> g_closed{false};
constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, 3> g_previous{};
std::atomic<bool> g_handlersInstalled{false};

void WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) return;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Async-signal-safe: only tcsetattr and write.
void RestoreTerminal() {
    const int lineFd = g_lineFd.exchange(-1);
    if (lineFd >= 0) WriteAll(lineFd, kClearLine, sizeof kClearLine - 1);
    const int fd = g_rawFd.exchange(-1);
    if (fd >= 0) tcsetattr(fd, TCSANOW, &g_saved);
}

void OnSignal(int signal) {
    RestoreTerminal();
    // Hand the signal on to whatever was there before (the default ends the process).
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (kSignals[i] == signal) sigaction(signal, &g_previous[i], nullptr);
    }
    g_handlersInstalled.store(false);
    raise(signal);
}

void OnExit() {
    g_closed.store(true);
    RestoreTerminal();
}

void InstallHandlers() {
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(OnExit); });
    if (g_handlersInstalled.exchange(true)) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(kSignals[i], nullptr, &g_previous[i]);
        // A signal that the program ignores stays ignored.
        if (g_previous[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
    }
}

std::string Utf8(std::u16string_view text) {
    std::string out = platform::Utf16ToUtf8(text).value_or(std::string(text.begin(), text.end()));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

class TerminalPresenter final : public Presenter {
public:
    TerminalPresenter(int tty, int out) : tty_(tty), out_(out) {}

    PresenterKind kind() const override { return PresenterKind::Terminal; }

    int ShowMessageBox(std::u16string_view caption, std::u16string_view text, UINT style) override {
        std::lock_guard lock(mutex_);
        ClearDrawnLine();
        const bool question = (style & MB_TYPEMASK) == MB_YESNO;
        const std::string line = Utf8(caption) + ": " + Utf8(text) + (question ? " [y/N] " : "\n");
        WriteAll(out_, line.data(), line.size());
        if (!question) return IDOK;
        return IsYes(ReadAnswer()) ? IDYES : IDNO;
    }

    void DialogShown(HWND dialog) override {
        std::lock_guard lock(mutex_);
        if (g_closed.load()) return;
        if (rawDialogs_++ == 0) EnterDialogMode();
        Draw(dialog, true);
    }

    void DialogEnded(HWND, INT_PTR) override {
        std::lock_guard lock(mutex_);
        ClearDrawnLine();
        if (rawDialogs_ > 0 && --rawDialogs_ == 0) {
            const int fd = g_rawFd.exchange(-1);
            if (fd >= 0) tcsetattr(fd, TCSANOW, &g_saved);
        }
    }

    DWORD TickMs() const override { return kRepaintMs; }

    void DialogTick(HWND dialog) override {
        // A question on the terminal holds the lock: no keys are taken from it meanwhile.
        std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock() || g_closed.load()) return;
        if (CancelPressed()) PressDialog(dialog, DialogInput::EscapeKey);
        Draw(dialog, false);
    }

private:
    void EnterDialogMode() {
        termios current{};
        if (tcgetattr(tty_, &current) != 0) return;
        g_saved = current;
        termios raw = current;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        InstallHandlers();
        g_rawFd.store(tty_);
        tcsetattr(tty_, TCSANOW, &raw);
    }

    // Esc alone (not the start of an arrow key's sequence) or Ctrl-C.
    bool CancelPressed() {
        pollfd p{tty_, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0 || (p.revents & POLLIN) == 0) return false;
        std::array<char, 64> keys{};
        const ssize_t n = ::read(tty_, keys.data(), keys.size());
        for (ssize_t i = 0; i < n; ++i) {
            if (keys[i] == 0x03) return true;
            if (keys[i] == 0x1B) {
                if (i + 1 < n && (keys[i + 1] == '[' || keys[i + 1] == 'O')) return false;
                return true;
            }
        }
        return false;
    }

    void Draw(HWND dialog, bool force) {
        const HWND bar = FindProgressBar(dialog);
        std::optional<ProgressBarState> state;
        if (Window* w = Lookup(bar)) state = w->bar.State();
        const int percent = state ? Percent(*state) : -1;
        const std::string caption = Utf8(WindowText(dialog));
        if (!force && lineDrawn_ && percent == lastPercent_ && state && state->position == lastPosition_) return;
        std::string line = "\r" + caption;
        if (state) {
            const int filled = percent * kBarWidth / 100;
            line += " [" + std::string(static_cast<std::size_t>(filled), '#') +
                    std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] " +
                    std::to_string(percent) + "%";
        }
        line += "  Esc: Cancel\033[K";
        WriteAll(out_, line.data(), line.size());
        lineDrawn_ = true;
        g_lineFd.store(out_);
        lastPercent_ = percent;
        lastPosition_ = state ? state->position : 0;
    }

    static int Percent(const ProgressBarState& s) {
        if (s.high <= s.low) return 0;
        const long long done = static_cast<long long>(s.position) - s.low;
        return static_cast<int>(done * 100 / (static_cast<long long>(s.high) - s.low));
    }

    void ClearDrawnLine() {
        if (!lineDrawn_) return;
        WriteAll(out_, kClearLine, sizeof kClearLine - 1);
        lineDrawn_ = false;
        g_lineFd.store(-1);
    }

    // One line from the terminal, typed in its ordinary mode (canonical, echoed) even while a
    // dialog has it in its own; end of input gives an empty answer.
    std::string ReadAnswer() {
        termios current{};
        const bool haveSettings = tcgetattr(tty_, &current) == 0;
        if (haveSettings) {
            termios asking = current;
            asking.c_lflag |= ICANON | ECHO | ISIG;
            tcsetattr(tty_, TCSANOW, &asking);
        }
        std::string answer;
        char c;
        while (::read(tty_, &c, 1) == 1 && c != '\n') answer.push_back(c);
        if (haveSettings) tcsetattr(tty_, TCSANOW, &current);
        return answer;
    }

    static bool IsYes(std::string answer) {
        const auto space = [](unsigned char c) { return std::isspace(c) != 0; };
        while (!answer.empty() && space(static_cast<unsigned char>(answer.back()))) answer.pop_back();
        std::size_t start = 0;
        while (start < answer.size() && space(static_cast<unsigned char>(answer[start]))) ++start;
        answer.erase(0, start);
        for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return answer == "y" || answer == "yes";
    }

    std::mutex mutex_;
    int tty_;
    int out_;
    int rawDialogs_ = 0;
    bool lineDrawn_ = false;
    int lastPercent_ = -1;
    int lastPosition_ = 0;
};

}  // namespace

Presenter* NewTerminalPresenter() {
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty < 0) return nullptr;
    if (isatty(STDIN_FILENO) == 0 && isatty(STDERR_FILENO) == 0) {
        ::close(tty);
        return nullptr;
    }
    // The dialog line and the messages go to standard error when it shows the terminal, else
    // straight to the terminal, so that a redirected standard error gets no bar drawings.
    return new TerminalPresenter(tty, isatty(STDERR_FILENO) != 0 ? STDERR_FILENO : tty);
}

}  // namespace platform::user
