#pragma once
// The kernel handle table: HANDLE values for the platform's kernel objects (files, events).
//
// A handle is a slot number with the slot's generation folded in, never a pointer: a handle that was
// never issued, or is used after CloseHandle, is found missing instead of reaching freed memory.
// Lookups hand out shared ownership, so an object closed on one thread while another thread is inside
// a call on it stays alive until that call returns.
#include <memory>
#include <mutex>
#include <vector>

#include "errhandlingapi.h"
#include "windef.h"
#include "winerror.h"

namespace platform::kernel {

enum class ObjectKind { File, Event };

class KernelObject {
public:
    explicit KernelObject(ObjectKind kind) : kind_(kind) {}
    virtual ~KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    ObjectKind kind() const { return kind_; }
    // Called once, by CloseHandle, after the handle is gone from the table: a Win32 error or 0.
    virtual DWORD Close() { return 0; }
    // WaitForSingleObject: WAIT_OBJECT_0 or WAIT_TIMEOUT.
    virtual DWORD Wait(DWORD milliseconds) = 0;

private:
    const ObjectKind kind_;
};

class HandleTable {
public:
    static HandleTable& Instance();

    HANDLE Insert(std::shared_ptr<KernelObject> object);
    std::shared_ptr<KernelObject> Find(HANDLE handle);
    std::shared_ptr<KernelObject> Remove(HANDLE handle);
    // Every open object of a kind, for the flush at process exit.
    std::vector<std::shared_ptr<KernelObject>> All(ObjectKind kind);

    template <class T>
    std::shared_ptr<T> Find(HANDLE handle) {
        std::shared_ptr<KernelObject> object = Find(handle);
        if (object == nullptr || object->kind() != T::kKind) return nullptr;
        return std::static_pointer_cast<T>(std::move(object));
    }

private:
    struct Slot {
        std::uint32_t generation = 0;
        std::shared_ptr<KernelObject> object;
    };
    Slot* SlotOf(HANDLE handle);  // with mutex_ held

    std::mutex mutex_;
    std::vector<Slot> slots_;
    std::vector<std::uint32_t> free_;
};

// Looks a handle up as a T; sets ERROR_INVALID_HANDLE when it is not an open T.
template <class T>
std::shared_ptr<T> FindOrFail(HANDLE handle) {
    std::shared_ptr<T> object = HandleTable::Instance().Find<T>(handle);
    if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace platform::kernel
