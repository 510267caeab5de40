// Two processes lock and unlock against one store at the same time: no token may be lost.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <thread>

#include "engine_fixture.h"

namespace {

using namespace enginetest;

constexpr int kProcesses = 2;
constexpr int kLocksEach = 200;
constexpr auto kTimeLimit = std::chrono::seconds(90);

// One worker process: waits for the start signal, then locks and at once unlocks kLocksEach times,
// writing "token key" lines to `log`. Exit status 0 when every unlock gave its key back.
[[noreturn]] void Worker(int startPipe, const std::filesystem::path& log) {
    char go;
    if (::read(startPipe, &go, 1) != 1) ::_exit(10);
    if (FAILED(CoInitialize(nullptr))) ::_exit(11);
    IQlmEngine* engine = nullptr;
    if (FAILED(CoCreateInstance(CLSID_QlmEngine, nullptr, CLSCTX_ALL, IID_IQlmEngine,
                                reinterpret_cast<void**>(&engine))))
        ::_exit(12);
    std::ofstream out(log);
    int status = 0;
    for (int i = 0; i < kLocksEach && status == 0; ++i) {
        UniqueBstr key, token, comment, again;
        if (FAILED(engine->GetLockKeys(key.Put(), token.Put(), comment.Put()))) status = 13;
        else if (FAILED(engine->GetUnlockKey(token.Get(), comment.Get(), again.Put()))) status = 14;
        else if (Narrow(again.Get()) != Narrow(key.Get())) status = 15;
        else out << Narrow(token.Get()) << ' ' << Narrow(key.Get()) << '\n';
    }
    out.close();
    engine->Release();
    ::_exit(out ? status : 16);
}

// Waits for every child until the time limit; a child still running then is killed.
std::vector<int> WaitForAll(const std::vector<pid_t>& children) {
    std::vector<int> statuses(children.size(), -1);
    std::vector<bool> done(children.size(), false);
    const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
    for (std::size_t left = children.size(); left > 0;) {
        for (std::size_t i = 0; i < children.size(); ++i) {
            int status = 0;
            if (!done[i] && ::waitpid(children[i], &status, WNOHANG) == children[i]) {
                done[i] = true;
                statuses[i] = WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
                --left;
            }
        }
        if (left == 0) break;
        if (std::chrono::steady_clock::now() > deadline) {
            for (std::size_t i = 0; i < children.size(); ++i)
                if (!done[i]) ::kill(children[i], SIGKILL), ::waitpid(children[i], nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return statuses;
}

TEST_F(EngineTest, TwoProcessesLockAndUnlockOneStoreAtOnceWithoutLosingAToken) {
    // A store that does not exist yet: both processes also race to create and set it up.
    const std::filesystem::path store = home_ / "shared" / "engine.db";
    setenv("QLM_ENGINE_STORE", store.c_str(), 1);

    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(start[1]);
            Worker(start[0], home_ / ("worker" + std::to_string(p)));
        }
        children.push_back(pid);
    }
    ::close(start[0]);
    const char go[kProcesses] = {};
    ASSERT_EQ(::write(start[1], go, kProcesses), kProcesses);
    ::close(start[1]);

    const std::vector<int> statuses = WaitForAll(children);
    for (int status : statuses) ASSERT_EQ(status, 0) << "a worker failed or ran out of time";

    std::map<std::string, std::string> issued;
    for (int p = 0; p < kProcesses; ++p) {
        std::ifstream in(home_ / ("worker" + std::to_string(p)));
        std::string token, key;
        while (in >> token >> key) issued[token] = key;
    }
    ASSERT_EQ(issued.size(), static_cast<std::size_t>(kProcesses * kLocksEach));
    for (const auto& [token, key] : issued) {
        UniqueBstr tokenText = Wide(token);
        const UnlockKey unlock = Unlock(tokenText.Get(), nullptr);
        ASSERT_EQ(unlock.hr, S_OK) << token;
        EXPECT_EQ(Narrow(unlock.key.Get()), key);
    }
    struct stat info{};
    ASSERT_EQ(::stat(store.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
