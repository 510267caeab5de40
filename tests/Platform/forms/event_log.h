#pragma once
// Records the events that controls raise, in order, as "Control.Event" (with arguments where the event
// has them), so that a test compares whole sequences.
#include <string>
#include <vector>

#include "platform/forms/forms.h"
#include "platform/utf.h"

namespace formstest {

inline std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text).value_or("?"); }

class EventLog {
public:
    template <class Control>
    void Watch(Control& control) {
        using namespace platform::forms;
        const std::string name = Utf8(control.Name());
        if constexpr (requires { control.Change; }) control.Change.Add([this, name] { Add(name + ".Change"); });
        if constexpr (requires { control.DblClick; }) control.DblClick.Add([this, name] { Add(name + ".DblClick"); });
        if constexpr (std::is_same_v<Control, TabDialog>) {
            control.Click.Add([this, name](SHORT previous) { Add(name + ".Click(" + std::to_string(previous) + ")"); });
            control.MouseDown.Add([this, name](SHORT button, SHORT shift, float x, float y) {
                Add(name + ".MouseDown(" + Args(button, shift, x, y) + ")");
            });
            control.MouseUp.Add([this, name](SHORT button, SHORT shift, float x, float y) {
                Add(name + ".MouseUp(" + Args(button, shift, x, y) + ")");
            });
        } else if constexpr (requires { control.Click; }) {
            control.Click.Add([this, name] { Add(name + ".Click"); });
        }
    }

    void Add(std::string entry) { entries_.push_back(std::move(entry)); }
    // The entries so far, and a fresh start.
    std::vector<std::string> Take() { return std::exchange(entries_, {}); }
    const std::vector<std::string>& Entries() const { return entries_; }

private:
    static std::string Args(SHORT button, SHORT shift, float x, float y) {
        return std::to_string(button) + "," + std::to_string(shift) + "," + std::to_string(static_cast<long>(x)) +
               "," + std::to_string(static_cast<long>(y));
    }
    std::vector<std::string> entries_;
};

}  // namespace formstest
