// The terminal presenter, for real: pty_probe runs under a pseudo-terminal, the test reads what it
// draws and types keys, and checks that the terminal's settings come back on every way out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "winuser.h"

namespace {

bool SameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

class PseudoTerminal : public testing::Test {
protected:
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) close(master_);
        if (slave_ >= 0) close(slave_);
    }

    // Starts the probe with the pseudo-terminal as its controlling terminal and standard streams.
    void Start(const char* mode) {
        ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
        ASSERT_EQ(tcgetattr(slave_, &initial_), 0);
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            setsid();
            ioctl(slave_, TIOCSCTTY, 0);
            dup2(slave_, 0);
            dup2(slave_, 1);
            dup2(slave_, 2);
            close(master_);
            execl(QLM_PTY_PROBE, QLM_PTY_PROBE, mode, static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // Reads what the probe writes until `needle` shows up (true) or the time is up (false).
    bool ReadUntil(const std::string& needle, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (output_.find(needle) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[512];
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) return output_.find(needle) != std::string::npos;
            output_.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }

    // Takes what the probe wrote in the next few milliseconds.
    void Drain() {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) return;
        char buffer[512];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n > 0) output_.append(buffer, static_cast<std::size_t>(n));
    }

    void Type(const std::string& keys) { ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size())); }

    // The probe's wait status once it has ended.
    int Wait() {
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the probe did not end; it wrote: " << output_;
                return -1;
            }
            Drain();  // keep the terminal drained meanwhile
        }
        pid_ = -1;
        return status;
    }

    bool InDialogMode() {
        termios now{};
        tcgetattr(slave_, &now);
        return (now.c_lflag & (ICANON | ECHO | ISIG)) == 0;
    }

    bool Restored() {
        termios now{};
        tcgetattr(slave_, &now);
        return SameSettings(now, initial_);
    }

    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    termios initial_{};
    std::string output_;
};

TEST_F(PseudoTerminal, DialogLineAppearsAndEscCancels) {
    Start("dialog");
    ASSERT_TRUE(ReadUntil("Esc: Cancel")) << output_;
    EXPECT_NE(output_.find("Probe caption ["), std::string::npos) << output_;
    EXPECT_NE(output_.find("] 50%"), std::string::npos) << output_;
    EXPECT_TRUE(InDialogMode());
    Type("\x1b");
    ASSERT_TRUE(ReadUntil("result=42")) << output_;
    const int status = Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(Restored());
}

TEST_F(PseudoTerminal, CtrlCIsCancelToo) {
    Start("dialog");
    ASSERT_TRUE(ReadUntil("Esc: Cancel")) << output_;
    Type("\x03");
    ASSERT_TRUE(ReadUntil("result=42")) << output_;
    EXPECT_EQ(Wait(), 0);
    EXPECT_TRUE(Restored());
}

// An arrow key starts with Esc too, but is no Cancel.
TEST_F(PseudoTerminal, ArrowKeyIsNotCancel) {
    Start("dialog");
    ASSERT_TRUE(ReadUntil("Esc: Cancel")) << output_;
    Type("\x1b[A");
    EXPECT_FALSE(ReadUntil("result=", std::chrono::milliseconds(500))) << output_;
    Type("\x1b");
    EXPECT_TRUE(ReadUntil("result=42")) << output_;
}

// QlmFile's way: the process ends while the dialog thread still runs.
TEST_F(PseudoTerminal, ExitWhileTheDialogRunsRestoresTheTerminal) {
    Start("exit");
    ASSERT_TRUE(ReadUntil("Esc: Cancel")) << output_;
    EXPECT_TRUE(InDialogMode());
    EXPECT_EQ(Wait(), 0);
    EXPECT_TRUE(Restored());
}

TEST_F(PseudoTerminal, SignalWhileTheDialogRunsRestoresTheTerminal) {
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        TearDown();
        master_ = slave_ = -1;
        output_.clear();
        Start("signal");
        ASSERT_TRUE(ReadUntil("drawn")) << output_;
        EXPECT_TRUE(InDialogMode());
        kill(pid_, signal);
        const int status = Wait();
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(Restored());
    }
}

struct Answer {
    const char* name;
    const char* typed;
    int result;
};

class PseudoTerminalQuestion : public PseudoTerminal, public testing::WithParamInterface<Answer> {};

// Only an explicit yes is a yes; anything else, the end of input included, is No.
TEST_P(PseudoTerminalQuestion, TakesOnlyAnExplicitYes) {
    Start("yesno");
    ASSERT_TRUE(ReadUntil("Probe caption: Replace the file? [y/N] ")) << output_;
    Type(GetParam().typed);
    ASSERT_TRUE(ReadUntil("answer=" + std::to_string(GetParam().result))) << output_;
    EXPECT_EQ(Wait(), 0);
    EXPECT_TRUE(Restored());
}

INSTANTIATE_TEST_SUITE_P(Answers, PseudoTerminalQuestion,
                         testing::Values(Answer{"y", "y\n", IDYES}, Answer{"YES", "YES\n", IDYES},
                                         Answer{"SpacedYes", " Yes \n", IDYES}, Answer{"n", "n\n", IDNO},
                                         Answer{"Empty", "\n", IDNO}, Answer{"yep", "yep\n", IDNO},
                                         Answer{"EndOfInput", "\x04", IDNO}),
                         [](const testing::TestParamInfo<Answer>& info) { return info.param.name; });

TEST_F(PseudoTerminal, MessageBoxPrintsCaptionAndText) {
    Start("ok");
    ASSERT_TRUE(ReadUntil("answer=1")) << output_;
    EXPECT_NE(output_.find("Probe caption: Replace the file?\r\n"), std::string::npos) << output_;
    EXPECT_EQ(Wait(), 0);
}

}  // namespace
