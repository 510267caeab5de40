#include "platform/fault_injection.h"

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

#include "errhandlingapi.h"

namespace platform::fault {
namespace {

struct Fault {
    std::string point;
    DWORD value;
    unsigned nth;    // calls still to pass before the first failure, counting this one
    unsigned times;  // failures still to give; 0 = without end
};

struct State {
    std::mutex mutex;
    std::vector<Fault> faults;
    std::map<std::string, unsigned, std::less<>> counts;
    bool counting = false;
};

State& TheState() {
    static State state;
    return state;
}

// Non-zero while anything is armed or counted: the fast path of Check reads only this.
std::atomic<unsigned> g_active{0};

void Refresh(State& s) {
    g_active.store(static_cast<unsigned>(s.faults.size()) + (s.counting ? 1u : 0u), std::memory_order_relaxed);
}

}  // namespace

void Arm(std::string_view point, DWORD value, unsigned nth, unsigned times) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.faults.push_back({std::string(point), value, nth == 0 ? 1 : nth, times});
    Refresh(s);
}

void DisarmAll() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.faults.clear();
    Refresh(s);
}

void StartCounting() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.counts.clear();
    s.counting = true;
    Refresh(s);
}

unsigned Count(std::string_view point) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    auto it = s.counts.find(point);
    return it == s.counts.end() ? 0 : it->second;
}

void StopCounting() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.counting = false;
    Refresh(s);
}

std::optional<DWORD> Check(const char* point) {
    if (g_active.load(std::memory_order_relaxed) == 0) return std::nullopt;
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    if (s.counting) ++s.counts[point];
    for (auto it = s.faults.begin(); it != s.faults.end(); ++it) {
        if (it->point != point) continue;
        if (it->nth > 1) {
            --it->nth;
            continue;
        }
        const DWORD value = it->value;
        if (it->times == 1) {
            s.faults.erase(it);
            Refresh(s);
        } else if (it->times > 1) {
            --it->times;
        }
        return value;
    }
    return std::nullopt;
}

bool Fail(const char* point) {
    if (auto value = Check(point)) {
        SetLastError(*value);
        return true;
    }
    return false;
}

bool FailSystemCall(const char* point) {
    if (auto value = Check(point)) {
        errno = static_cast<int>(*value);
        return true;
    }
    return false;
}

}  // namespace platform::fault
