#pragma once
// Test hook: how many contexts, keys and hashes are alive in the process, so that a test can show
// that an operation left behind nothing but what it handed out.
#include <cstddef>

namespace platform::crypt {

struct LiveObjects {
    std::size_t contexts = 0;
    std::size_t keys = 0;
    std::size_t hashes = 0;

    bool operator==(const LiveObjects&) const = default;
};

LiveObjects CountLiveObjects();

}  // namespace platform::crypt
