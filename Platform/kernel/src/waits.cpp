// Waiting: WaitForSingleObject on any kernel object, and Sleep.
#include <chrono>
#include <thread>

#include "errhandlingapi.h"
#include "handle_table.h"
#include "platform/fault_injection.h"
#include "synchapi.h"
#include "winerror.h"

extern "C" {

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    if (platform::fault::Fail("WaitForSingleObject")) return WAIT_FAILED;
    const auto object = platform::kernel::HandleTable::Instance().Find(hHandle);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(dwMilliseconds);
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

}  // extern "C"
