#include "qlmfile_process.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace e2e {
namespace {

// The command line and the environment (this one, with the engine's store), made before the fork
// so that the child calls nothing but exec.
class Command {
public:
    Command(std::string_view switchText, const fs::path& path, const fs::path& engineStore)
        : args_{"QlmFile", std::string(switchText), path.string()} {
        for (char** e = environ; *e != nullptr; ++e)
            if (std::string_view(*e).rfind("QLM_ENGINE_STORE=", 0) != 0) env_.emplace_back(*e);
        env_.push_back("QLM_ENGINE_STORE=" + engineStore.string());
        for (std::string& a : args_) argv_.push_back(a.data());
        argv_.push_back(nullptr);
        for (std::string& e : env_) envp_.push_back(e.data());
        envp_.push_back(nullptr);
    }
    [[noreturn]] void Exec() const {
        execve(QLMFILE_PATH, argv_.data(), envp_.data());
        _exit(127);
    }

private:
    std::vector<std::string> args_;
    std::vector<std::string> env_;
    std::vector<char*> argv_;
    std::vector<char*> envp_;
};

int ExitCodeOf(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

Finished RunQlmFile(std::string_view switchText, const fs::path& path, const fs::path& engineStore) {
    const Command command(switchText, path, engineStore);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();  // no controlling terminal: the program cannot open /dev/tty
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        command.Exec();
    }
    close(pipeFds[1]);
    Finished finished;
    std::array<char, 4096> buffer;
    ssize_t n;
    while ((n = read(pipeFds[0], buffer.data(), buffer.size())) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) finished.output.append(buffer.data(), static_cast<std::size_t>(n));
    close(pipeFds[0]);
    finished.exitCode = ExitCodeOf(pid);
    return finished;
}

TerminalRun::TerminalRun(std::string_view switchText, const fs::path& path, const fs::path& engineStore) {
    const Command command(switchText, path, engineStore);
    struct winsize size {};
    size.ws_row = 24;
    size.ws_col = 120;
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0) throw std::runtime_error("forkpty");
    if (pid_ == 0) command.Exec();
}

TerminalRun::~TerminalRun() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        ExitCodeOf(pid_);
    }
    if (master_ >= 0) close(master_);
}

bool TerminalRun::ReadSome(int timeoutMs) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    std::array<char, 4096> buffer;
    const ssize_t n = read(master_, buffer.data(), buffer.size());
    if (n <= 0) return false;  // EIO: the program has gone and the terminal with it
    output_.append(buffer.data(), static_cast<std::size_t>(n));
    return true;
}

bool TerminalRun::WaitFor(std::string_view text, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (output_.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        if (!ReadSome(static_cast<int>(left.count())) && output_.find(text) == std::string::npos) {
            // Nothing more to read: either the time is up or the program has ended.
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 0) != 0 && (p.revents & (POLLHUP | POLLERR)) != 0) return false;
        }
    }
    return true;
}

void TerminalRun::Type(std::string_view keys) {
    while (!keys.empty()) {
        const ssize_t n = write(master_, keys.data(), keys.size());
        if (n <= 0) return;
        keys.remove_prefix(static_cast<std::size_t>(n));
    }
}

int TerminalRun::Finish() {
    while (ReadSome(60000)) {
    }
    const int code = ExitCodeOf(pid_);
    pid_ = -1;
    return code;
}

void MakeSparseFile(const fs::path& path, std::uint64_t size) {
    {
        std::ofstream out(path, std::ios::binary);
    }
    fs::resize_file(path, size);
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    for (std::uint64_t at : {std::uint64_t{0}, size / 2, size >= 4096 ? size - 4096 : 0}) {
        std::string block(std::min<std::uint64_t>(4096, size - at), '\0');
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((at + i * 31) % 253);
        file.seekp(static_cast<std::streamoff>(at));
        file.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

std::vector<std::uint32_t> ContainerHeader(const fs::path& container) {
    std::array<unsigned char, 24> bytes{};
    std::ifstream in(container, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    std::vector<std::uint32_t> h(6);
    for (std::size_t i = 0; i < 6; ++i)
        h[i] = bytes[4 * i] | bytes[4 * i + 1] << 8 | bytes[4 * i + 2] << 16 | static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24;
    return h;
}

std::string StreamHash(const fs::path& file) {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context, EVP_sha256(), nullptr);
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
        EVP_DigestUpdate(context, buffer.data(), static_cast<std::size_t>(in.gcount()));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context, digest, &length);
    EVP_MD_CTX_free(context);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 0xF];
    }
    return text;
}

}  // namespace e2e
