#pragma once
// QlmFile's command line: "/l <path>" locks, "/u <path>" unlocks.
#include <string>
#include <string_view>

#include "winerror.h"

namespace qlmfile {

enum class Operation { Lock, Unlock };

struct ParsedCommand {
    HRESULT status = S_OK;       // E_INVALIDARG for a missing or unknown switch
    Operation operation = Operation::Lock;
    std::string path;            // still in the ANSI code page, trimmed of spaces and double quotes
};

// The command tail as the Windows start-up code hands it over: the text after the program's name.
// Here the shell has split it already, so the arguments are joined again with single spaces.
std::string JoinCommandTail(int argc, const char* const* argv);

// Splits the tail into switch and path. Only the space separates (a tab does not); the switch is
// compared without regard to case and never unquoted; the path is the rest of the tail, trimmed of
// spaces and double quotes at both ends.
ParsedCommand ParseCommandTail(std::string_view tail);

}  // namespace qlmfile
