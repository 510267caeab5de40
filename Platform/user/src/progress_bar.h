#pragma once
// The progress bar's state and its PBM_* messages, answered on whatever thread sends them.
#include <atomic>
#include <cstdint>

#include "windef.h"
#include "platform/presenter.h"

namespace platform::user {

class ProgressBar {
public:
    // A new bar: range 0 to 100, step 10, position 0.
    void Reset();
    ProgressBarState State() const;
    // The documented answer to a PBM_* message (0 for any other message).
    LRESULT Handle(HWND self, UINT message, WPARAM wParam, LPARAM lParam);

private:
    static std::uint64_t Pack(int low, int high);
    // Low and high in one word, so that a reader never sees half of a new range.
    std::atomic<std::uint64_t> range_{Pack(0, 100)};
    std::atomic<int> step_{10};
    std::atomic<int> position_{0};
};

bool IsProgressMessage(UINT message);

}  // namespace platform::user
