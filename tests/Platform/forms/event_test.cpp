// Handlers of an event: order, removal, and changes made while the event is being raised.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/event.h"

using platform::forms::Event;

namespace {

TEST(Event, HandlersRunInOrderAndARemovedOneNoMore) {
    Event<int> event;
    std::vector<std::string> calls;
    event.Add([&](int v) { calls.push_back("a" + std::to_string(v)); });
    const auto b = event.Add([&](int v) { calls.push_back("b" + std::to_string(v)); });
    event.Raise(1);
    event.Remove(b);
    event.Raise(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"a1", "b1", "a2"}));
}

TEST(Event, AHandlerMayAddAndRemoveHandlersWhileRaised) {
    Event<> event;
    std::vector<std::string> calls;
    Event<>::Token second = 0;
    event.Add([&] {
        calls.push_back("first");
        event.Remove(second);                               // not called in this round
        event.Add([&] { calls.push_back("added"); });       // from the next round on
    });
    second = event.Add([&] { calls.push_back("second"); });
    event.Raise();
    EXPECT_EQ(calls, std::vector<std::string>{"first"});
    calls.clear();
    event.Raise();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "added"}));
}

TEST(Event, AHandlerMayRaiseTheSameEventAgain) {
    Event<int> event;
    std::vector<int> depths;
    event.Add([&](int depth) {
        depths.push_back(depth);
        if (depth < 3) event.Raise(depth + 1);
    });
    event.Raise(1);
    EXPECT_EQ(depths, (std::vector<int>{1, 2, 3}));
}

}  // namespace
