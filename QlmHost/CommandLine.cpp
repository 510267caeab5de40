#include "CommandLine.h"

#include <string_view>

#include "Messages.h"
#include "platform/utf.h"

namespace qlmhost {
namespace {

struct OptionSpec {
    std::string_view name;
    bool takesValue;
};

constexpr OptionSpec kOptions[] = {
    {"--bag", true},     {"--new", false},     {"--verbose", false}, {"--help", false}, {"--set", true},
    {"--get", true},     {"--call", true},     {"--gesture", true},  {"--readers", false}, {"--show", false},
    {"--focused", false}, {"--paint", false}, {"--redisplay", false},  {"--save", false},    {"--out", true},
};

const OptionSpec* FindOption(std::string_view name) {
    for (const auto& option : kOptions)
        if (option.name == name) return &option;
    return nullptr;
}

bool ParseGesture(std::u16string_view text, Action& action) {
    // CONTROL:GESTURE[:ARGUMENT]; the argument is the rest, so it may hold colons (a time of day). A text
    // without a colon is a gesture on the form's keyboard alone ("presstab").
    const auto first = text.find(u':');
    if (first == std::u16string_view::npos) {
        action.gesture = text;
    } else {
        action.control = text.substr(0, first);
        const auto rest = text.substr(first + 1);
        const auto second = rest.find(u':');
        action.gesture = rest.substr(0, second);
        if (second != std::u16string_view::npos) action.argument = rest.substr(second + 1);
    }
    return !action.gesture.empty();
}

}  // namespace

std::optional<HostOptions> ParseCommandLine(const std::vector<std::string>& arguments, std::string& why) {
    HostOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string name = argument;
        std::optional<std::string> value;
        if (const auto equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        const OptionSpec* spec = FindOption(name);
        if (spec == nullptr) {
            why = (argument.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") + Quote(argument);
            return std::nullopt;
        }
        if (spec->takesValue && !value) {
            if (i + 1 >= arguments.size()) {
                why = std::string(spec->name) + " needs a value";
                return std::nullopt;
            }
            value = arguments[++i];
        } else if (!spec->takesValue && value) {
            why = std::string(spec->name) + " takes no value";
            return std::nullopt;
        }
        const std::string shown = value ? std::string(spec->name) + " " + *value : std::string(spec->name);
        std::u16string wide;
        if (value) {
            auto converted = platform::Utf8ToUtf16(*value);
            if (!converted) {
                why = std::string(spec->name) + ": the value is not UTF-8 text";
                return std::nullopt;
            }
            wide = *std::move(converted);
        }

        Action action;
        action.option = shown;
        if (name == "--bag") {
            if (value->empty()) {
                why = "--bag needs a file name";
                return std::nullopt;
            }
            options.bag = std::filesystem::path(*value);
            continue;
        }
        if (name == "--new") {
            options.initNew = true;
            continue;
        }
        if (name == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (name == "--help") {
            options.help = true;
            continue;
        }
        if (name == "--set") {
            const auto equals = wide.find(u'=');
            if (equals == std::u16string::npos || equals == 0) {
                why = "--set needs NAME=VALUE, not " + Quote(*value);
                return std::nullopt;
            }
            action.kind = ActionKind::Set;
            action.name = wide.substr(0, equals);
            action.value = wide.substr(equals + 1);
        } else if (name == "--get") {
            if (wide.empty()) {
                why = "--get needs a property name";
                return std::nullopt;
            }
            action.kind = ActionKind::Get;
            action.name = wide;
        } else if (name == "--call") {
            std::string callWhy;
            auto call = ParseMethodCall(wide, callWhy);
            if (!call) {
                why = "--call: " + callWhy;
                return std::nullopt;
            }
            action.kind = ActionKind::Call;
            action.call = *std::move(call);
        } else if (name == "--gesture") {
            if (!ParseGesture(wide, action)) {
                why = "--gesture needs CONTROL:GESTURE[:ARGUMENT], not " + Quote(*value);
                return std::nullopt;
            }
            action.kind = ActionKind::Gesture;
        } else if (name == "--readers") {
            action.kind = ActionKind::Readers;
        } else if (name == "--show") {
            action.kind = ActionKind::Show;
        } else if (name == "--focused") {
            action.kind = ActionKind::Focused;
        } else if (name == "--paint") {
            action.kind = ActionKind::Paint;
        } else if (name == "--redisplay") {
            action.kind = ActionKind::Redisplay;
        } else if (name == "--save") {
            action.kind = ActionKind::Save;
        } else if (name == "--out") {
            if (value->empty()) {
                why = "--out needs a file name";
                return std::nullopt;
            }
            action.kind = ActionKind::SaveAs;
            action.file = std::filesystem::path(*value);
        }
        options.actions.push_back(std::move(action));
    }
    if (options.help) return options;
    for (const Action& action : options.actions) {
        if (action.kind == ActionKind::Save && !options.bag) {
            why = "--save writes the --bag file: name one, or use --out FILE";
            return std::nullopt;
        }
    }
    return options;
}

std::string UsageText() {
    return R"(Usage: QlmHost [--bag FILE] [--new] [--verbose] [ACTION]...

Hosts the QlmUI control as an application would: creates it through the class
registry, initialises it as new or loads it from a property-bag file, shows and
paints it, then applies the actions in the order given. The first action that
fails ends the run: nothing after it is done and no file is written.

Setting up:
  --bag FILE       the property-bag file: loaded at the start, written by --save
  --new            initialise the control as new (also with --bag; this is what
                   happens when no --bag is given)
  --verbose        print the steps of the control's life and every property
                   change it announces
  --help           print this text

Actions:
  --set NAME=VALUE   put a property. VALUE is text, converted to the property's
                     type as its type information gives it: numbers, True/False
                     (or -1/0), dates as 2008-07-18T13:45:00 or 7/18/2008 1:45 PM
  --get NAME         print NAME=VALUE (dates in ISO 8601, booleans True/False)
  --call 'METHOD(ARGUMENTS)'
                     call a method and print METHOD=RESULT, then NAME=VALUE for
                     every argument the method changed. Arguments: "text" (with
                     \" \\ \n \t \uXXXX), numbers, true, false, null, and lists
                     of texts: [] or ["a", "b"]
  --gesture CONTROL:GESTURE[:ARGUMENT]
                     act as a person on a control of the current page: click,
                     dblclick, type, clear, choose, clicktab, editdate, focus;
                     and presstab, shifttab, ctrltab, ctrlshifttab without a
                     control. An unreachable control (disabled, hidden, on
                     another page) fails the run
  --readers          print Readers=<the reader list, joined by ";">
  --show             print the current page as text: each control with its
                     caption or value and state, in keyboard order
  --focused          print Focused=<the control that has the focus>
  --paint            paint the control again (a changed Mode takes effect)
  --redisplay        show the control again, as when its window reappears (the
                     remembered user that matches the user name is selected)
  --save             save the control into the --bag file
  --out FILE         save the control into FILE

The bag file is a JSON object of typed values, written whole or not at all:
  {"UsernameValue": {"type": "string", "value": "a@b.c"},
   "NotBeforeValue": {"type": "date", "value": "2008-07-18T00:00:00"},
   "Mode": {"type": "i4", "value": 1}}
Types: string, i2, i4, bool, date, r8, null. It holds what the control saves
(a value equal to its default is left out); a key the control does not read
fails the load.

Exit status: 0 when everything was done, 1 when the control, a file or an action
failed (the message names the key, property or action), 2 for a command line
that is not understood.

Examples:
  QlmHost --bag job.json --new --gesture UserCombo:type:me@example.com \
      --gesture Readers:type:"ann@example.com, bob@example.com" \
      --gesture AddButton:click --save
  QlmHost --bag job.json --get UsernameValue --readers --show
  QlmHost --set Mode=1 --paint --gesture SSTab1:clicktab:2 --show
  QlmHost --call 'AddUsername("me@example.com", true)' \
      --set UsernameValue=me@example.com --redisplay --get PwdValue
  QlmHost --call 'ParseString([], "a, b;c", ",")'
)";
}

}  // namespace qlmhost
