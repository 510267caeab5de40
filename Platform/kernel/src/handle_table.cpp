#include "handle_table.h"

#include "errhandlingapi.h"
#include "handleapi.h"
#include "platform/fault_injection.h"
#include "winerror.h"

namespace platform::kernel {
namespace {

// A handle is ((generation << kIndexBits) | (slot + 1)) << 2: never null, never INVALID_HANDLE_VALUE,
// a multiple of four as Windows handles are.
constexpr unsigned kIndexBits = 24;
constexpr std::uint64_t kIndexMask = (std::uint64_t{1} << kIndexBits) - 1;

HANDLE Encode(std::size_t index, std::uint32_t generation) {
    const std::uint64_t value = ((std::uint64_t{generation} << kIndexBits) | (index + 1)) << 2;
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

}  // namespace

HandleTable& HandleTable::Instance() {
    // Never destroyed: threads that outlive main (a dialog thread) may still close handles at exit.
    static HandleTable* table = new HandleTable;
    return *table;
}

HANDLE HandleTable::Insert(std::shared_ptr<KernelObject> object) {
    std::lock_guard lock(mutex_);
    std::size_t index;
    if (!free_.empty()) {
        index = free_.back();
        free_.pop_back();
    } else {
        if (slots_.size() >= kIndexMask) return nullptr;
        index = slots_.size();
        slots_.emplace_back();
    }
    Slot& slot = slots_[index];
    slot.object = std::move(object);
    return Encode(index, slot.generation);
}

HandleTable::Slot* HandleTable::SlotOf(HANDLE handle) {
    const auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
    if ((value & 3) != 0) return nullptr;
    const std::uint64_t index = ((value >> 2) & kIndexMask);
    if (index == 0 || index > slots_.size()) return nullptr;
    Slot& slot = slots_[index - 1];
    if (slot.object == nullptr || slot.generation != (value >> (2 + kIndexBits))) return nullptr;
    return &slot;
}

std::shared_ptr<KernelObject> HandleTable::Find(HANDLE handle) {
    std::lock_guard lock(mutex_);
    Slot* slot = SlotOf(handle);
    return slot != nullptr ? slot->object : nullptr;
}

std::shared_ptr<KernelObject> HandleTable::Remove(HANDLE handle) {
    std::lock_guard lock(mutex_);
    Slot* slot = SlotOf(handle);
    if (slot == nullptr) return nullptr;
    std::shared_ptr<KernelObject> object = std::move(slot->object);
    slot->object.reset();
    ++slot->generation;
    free_.push_back(static_cast<std::uint32_t>(slot - slots_.data()));
    return object;
}

std::vector<std::shared_ptr<KernelObject>> HandleTable::All(ObjectKind kind) {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<KernelObject>> objects;
    for (const Slot& slot : slots_) {
        if (slot.object != nullptr && slot.object->kind() == kind) objects.push_back(slot.object);
    }
    return objects;
}

}  // namespace platform::kernel

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (platform::fault::Fail("CloseHandle")) return FALSE;
    std::shared_ptr<platform::kernel::KernelObject> object = platform::kernel::HandleTable::Instance().Remove(hObject);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (const DWORD error = object->Close(); error != 0) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
