#pragma once
// QlmFile as a person starts it: the real program from the build tree, with the local engine found
// through the build tree's class registry and a key store of the test's own. Either with no terminal
// at all (the headless presenter: messages on standard error, every question answered No) or under a
// pseudo-terminal (the terminal presenter: the bar line, Esc, questions typed in).
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

struct Finished {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Runs `QlmFile <switch> <path>` in a session of its own without a terminal, standard input empty.
Finished RunQlmFile(std::string_view switchText, const fs::path& path, const fs::path& engineStore);

// QlmFile under a pseudo-terminal that the test types into.
class TerminalRun {
public:
    TerminalRun(std::string_view switchText, const fs::path& path, const fs::path& engineStore);
    ~TerminalRun();
    TerminalRun(const TerminalRun&) = delete;
    TerminalRun& operator=(const TerminalRun&) = delete;

    // Reads what the program writes until `text` has appeared (true) or the time is up (false).
    bool WaitFor(std::string_view text, std::chrono::milliseconds limit = std::chrono::seconds(30));
    void Type(std::string_view keys);
    // Reads to the end and returns the exit code.
    int Finish();
    const std::string& Output() const { return output_; }

private:
    bool ReadSome(int timeoutMs);

    pid_t pid_ = -1;
    int master_ = -1;
    std::string output_;
};

// A file of `size` bytes that takes no space but for a few marked blocks (start, middle, end), so
// that a large file shows where its bytes went.
void MakeSparseFile(const fs::path& path, std::uint64_t size);

// The header fields H0 ... H5 of a container.
std::vector<std::uint32_t> ContainerHeader(const fs::path& container);

// SHA-256 of a file, read in a stream.
std::string StreamHash(const fs::path& file);

}  // namespace e2e
