#include "CommandLine.h"

#include "winerror.h"

namespace qlmfile {
namespace {

// The ANSI code page is UTF-8: no lead or trail byte of a multibyte character is ever a space, a
// double quote or an ASCII letter, so a byte-wise scan is multibyte-aware as it stands.
bool SwitchIs(std::string_view token, char letter) {
    return token.size() == 2 && token[0] == '/' && (token[1] | 0x20) == letter;
}

bool IsTrimmed(char c) { return c == ' ' || c == '"'; }

}  // namespace

std::string JoinCommandTail(int argc, const char* const* argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        tail += argv[i];
    }
    return tail;
}

ParsedCommand ParseCommandTail(std::string_view tail) {
    ParsedCommand command;

    std::size_t start = tail.find_first_not_of(' ');
    if (start == std::string_view::npos) start = tail.size();
    std::size_t end = tail.find(' ', start);
    if (end == std::string_view::npos) end = tail.size();
    const std::string_view token = tail.substr(start, end - start);
    const std::size_t pathStart = end < tail.size() ? end + 1 : tail.size();

    if (SwitchIs(token, 'l')) {
        command.operation = Operation::Lock;
    } else if (SwitchIs(token, 'u')) {
        command.operation = Operation::Unlock;
    } else {
        command.status = E_INVALIDARG;
        return command;
    }

    std::string_view path = tail.substr(pathStart);
    while (!path.empty() && IsTrimmed(path.back())) path.remove_suffix(1);
    while (!path.empty() && IsTrimmed(path.front())) path.remove_prefix(1);
    command.path = std::string(path);
    return command;
}

}  // namespace qlmfile
