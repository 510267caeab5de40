// Task memory: the C heap, so that any module frees what another allocated.
#include <cstdlib>

#include "combaseapi.h"
#include "platform/fault_injection.h"

extern "C" {

LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb) {
    if (platform::fault::Check("CoTaskMemAlloc")) return nullptr;
    return std::malloc(cb == 0 ? 1 : cb);
}

LPVOID WINAPI CoTaskMemRealloc(LPVOID pv, SIZE_T cb) {
    if (platform::fault::Check("CoTaskMemRealloc")) return nullptr;
    return std::realloc(pv, cb == 0 ? 1 : cb);
}

void WINAPI CoTaskMemFree(LPVOID pv) { std::free(pv); }

}  // extern "C"
