#pragma once
// QlmHost's command line: how the control is set up, then the actions in the order given.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "MethodCall.h"

namespace qlmhost {

enum class ActionKind {
    Set,      // --set NAME=VALUE
    Get,      // --get NAME
    Call,     // --call 'METHOD(ARGS)'
    Gesture,  // --gesture CONTROL:GESTURE[:ARGUMENT]
    Readers,  // --readers
    Show,     // --show
    Focused,  // --focused
    Paint,    // --paint
    Redisplay,  // --redisplay
    Save,     // --save (into the --bag file)
    SaveAs,   // --out FILE
};

struct Action {
    ActionKind kind = ActionKind::Show;
    std::string option;     // as given, for messages: "--set Mode=1"
    std::u16string name;    // Set, Get: the property
    std::u16string value;   // Set: the text to put
    MethodCall call;        // Call
    std::u16string control, gesture, argument;  // Gesture
    std::filesystem::path file;                 // SaveAs
};

struct HostOptions {
    std::optional<std::filesystem::path> bag;
    bool initNew = false;  // --new: initialise as new even though a bag is named
    bool verbose = false;
    bool help = false;
    std::vector<Action> actions;
};

// Exit codes of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // an action, the load or a save failed
inline constexpr int kExitUsage = 2;    // the command line itself is wrong

// The arguments after the program's name, as UTF-8. Options take their value as the next argument or
// after "=" (--bag=FILE). On a mistake returns std::nullopt with `why` naming the argument.
std::optional<HostOptions> ParseCommandLine(const std::vector<std::string>& arguments, std::string& why);

// The text of --help.
std::string UsageText();

}  // namespace qlmhost
