#pragma once
// Fault injection for tests: make a chosen platform call fail with a chosen error, so that every
// failure of an operation can be tested without a broken disk.
//
// A fault point is named after the platform function ("CreateFileW", "WriteFile", ...) or, for a
// system call underneath, "sys:<name>" ("sys:fsetxattr"). The value is the Win32 error that the call
// reports; for a "sys:" point it is the errno value that the system call is taken to have returned.
// Points are process-wide; with nothing armed the check costs one relaxed atomic load.
#include <optional>
#include <string>
#include <string_view>

#include "windef.h"

namespace platform::fault {

// The `nth` call (counting from 1, from now on) of `point` and the `times` - 1 calls after it fail
// with `value`; times 0 means every call from the nth on, until disarmed.
void Arm(std::string_view point, DWORD value, unsigned nth = 1, unsigned times = 1);
void DisarmAll();

// Counting: how often each point was reached since counting started. Lets a test run an operation
// once, then fail each call of it in turn.
void StartCounting();
unsigned Count(std::string_view point);
void StopCounting();

// Called by the platform where a fault may be injected: the value to fail with, if this call must fail.
std::optional<DWORD> Check(const char* point);

// For Win32-shaped functions: when this call must fail, sets the last error and returns true.
bool Fail(const char* point);

// For the system calls underneath ("sys:" points): when this call must fail, sets errno and returns true.
bool FailSystemCall(const char* point);

// Arms on construction, disarms everything on destruction.
class Scoped {
public:
    Scoped(std::string_view point, DWORD value, unsigned nth = 1, unsigned times = 1) { Arm(point, value, nth, times); }
    ~Scoped() { DisarmAll(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
};

}  // namespace platform::fault
