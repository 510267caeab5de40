#include "progress_bar.h"

#include <algorithm>

#include "commctrl.h"
#include "presenters.h"

namespace platform::user {
namespace {

int Low(std::uint64_t range) { return static_cast<int>(static_cast<std::uint32_t>(range)); }
int High(std::uint64_t range) { return static_cast<int>(static_cast<std::uint32_t>(range >> 32)); }

int Clamp(std::int64_t value, std::uint64_t range) {
    return static_cast<int>(std::clamp<std::int64_t>(value, Low(range), std::max(Low(range), High(range))));
}

// PBM_SETRANGE and PBM_SETRANGE32 both answer with the previous range in two words.
LRESULT PackedRange(std::uint64_t range) {
    return static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(Low(range), High(range))));
}

// PBM_STEPIT past either end starts over from the low end: the position wraps within the range.
int Wrap(std::int64_t next, std::uint64_t range) {
    const std::int64_t low = Low(range);
    const std::int64_t high = High(range);
    if (next >= low && next <= high) return static_cast<int>(next);
    const std::int64_t span = high - low;
    if (span <= 0) return static_cast<int>(low);
    return static_cast<int>(low + (((next - low) % span) + span) % span);
}

}  // namespace

std::uint64_t ProgressBar::Pack(int low, int high) {
    return static_cast<std::uint32_t>(low) | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32);
}

void ProgressBar::Reset() {
    range_.store(Pack(0, 100), std::memory_order_relaxed);
    step_.store(10, std::memory_order_relaxed);
    position_.store(0, std::memory_order_relaxed);
}

ProgressBarState ProgressBar::State() const {
    const std::uint64_t range = range_.load(std::memory_order_relaxed);
    return {Low(range), High(range), step_.load(std::memory_order_relaxed),
            position_.load(std::memory_order_relaxed)};
}

bool IsProgressMessage(UINT message) { return message >= PBM_SETRANGE && message <= PBM_GETPOS; }

LRESULT ProgressBar::Handle(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT answer = 0;
    switch (message) {
        case PBM_GETPOS:
            return position_.load(std::memory_order_relaxed);
        case PBM_GETRANGE: {
            const std::uint64_t range = range_.load(std::memory_order_relaxed);
            if (lParam != 0) {
                auto* out = reinterpret_cast<PPBRANGE>(lParam);
                out->iLow = Low(range);
                out->iHigh = High(range);
            }
            return wParam != 0 ? Low(range) : High(range);
        }
        case PBM_SETRANGE:
        case PBM_SETRANGE32: {
            const std::uint64_t range = message == PBM_SETRANGE ? Pack(LOWORD(lParam), HIWORD(lParam))
                                                                : Pack(static_cast<int>(wParam), static_cast<int>(lParam));
            answer = PackedRange(range_.exchange(range, std::memory_order_relaxed));
            int position = position_.load(std::memory_order_relaxed);
            while (!position_.compare_exchange_weak(position, Clamp(position, range), std::memory_order_relaxed)) {
            }
            break;
        }
        case PBM_SETPOS:
            answer = position_.exchange(Clamp(static_cast<int>(wParam), range_.load(std::memory_order_relaxed)),
                                        std::memory_order_relaxed);
            break;
        case PBM_DELTAPOS: {
            int position = position_.load(std::memory_order_relaxed);
            while (!position_.compare_exchange_weak(
                position, Clamp(std::int64_t{position} + static_cast<int>(wParam), range_.load(std::memory_order_relaxed)),
                std::memory_order_relaxed)) {
            }
            answer = position;
            break;
        }
        case PBM_SETSTEP:
            answer = step_.exchange(static_cast<int>(wParam), std::memory_order_relaxed);
            break;
        case PBM_STEPIT: {
            int position = position_.load(std::memory_order_relaxed);
            while (!position_.compare_exchange_weak(
                position,
                Wrap(std::int64_t{position} + step_.load(std::memory_order_relaxed), range_.load(std::memory_order_relaxed)),
                std::memory_order_relaxed)) {
            }
            answer = position;
            break;
        }
        default:
            return 0;
    }
    if (BarsObserved()) NotifyBarChanged(self, State());
    return answer;
}

}  // namespace platform::user
