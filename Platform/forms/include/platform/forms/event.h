#pragma once
// An event of a hosted control: handlers registered by the control's owner, called synchronously, in
// the order they were added, each time the control raises the event.
//
// A handler may do anything to any control, including raising this same event again, adding handlers or
// removing them (its own too): Raise works on a snapshot of the handlers, and a handler removed while
// the event is being raised is not called afterwards.
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace platform::forms {

template <class... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;
    using Token = std::uint64_t;

    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Returns the token that removes this handler again.
    Token Add(Handler handler) {
        auto entry = std::make_shared<Entry>(Entry{nextToken_++, std::move(handler), false});
        entries_.push_back(entry);
        return entry->token;
    }

    void Remove(Token token) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if ((*it)->token == token) {
                (*it)->removed = true;
                entries_.erase(it);
                return;
            }
        }
    }

    bool HasHandlers() const { return !entries_.empty(); }

    // Called by the control that owns the event.
    void Raise(Args... args) const {
        const std::vector<std::shared_ptr<Entry>> snapshot = entries_;
        for (const auto& entry : snapshot) {
            if (!entry->removed) entry->handler(args...);
        }
    }

private:
    struct Entry {
        Token token;
        Handler handler;
        bool removed;
    };
    std::vector<std::shared_ptr<Entry>> entries_;
    Token nextToken_ = 1;
};

}  // namespace platform::forms
