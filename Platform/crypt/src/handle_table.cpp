#include "handle_table.h"

#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/crypt_objects.h"

namespace platform::crypt {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<ULONG_PTR, std::unique_ptr<Object>> objects;
    ULONG_PTR next = 0x1000;
};

Table& TheTable() {
    // Never destroyed: objects a program leaks at exit must not be freed after OpenSSL has gone.
    static Table* const table = new Table;
    return *table;
}

}  // namespace

ULONG_PTR AddObject(std::unique_ptr<Object> object) {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    try {
        const ULONG_PTR handle = t.next;
        t.objects.emplace(handle, std::move(object));
        t.next += 4;
        return handle;
    } catch (const std::bad_alloc&) {
        SetLastError(static_cast<DWORD>(NTE_NO_MEMORY));
        return 0;
    }
}

Object* FindObject(ULONG_PTR handle, Kind kind) {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    if (it == t.objects.end() || it->second->kind != kind) return nullptr;
    return it->second.get();
}

std::unique_ptr<Object> RemoveObject(ULONG_PTR handle, Kind kind) {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    if (it == t.objects.end() || it->second->kind != kind) return nullptr;
    std::unique_ptr<Object> object = std::move(it->second);
    t.objects.erase(it);
    return object;
}

LiveObjects CountLiveObjects() {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    LiveObjects live;
    for (const auto& [handle, object] : t.objects) {
        switch (object->kind) {
            case Kind::Context: ++live.contexts; break;
            case Kind::Key: ++live.keys; break;
            case Kind::Hash: ++live.hashes; break;
        }
    }
    return live;
}

}  // namespace platform::crypt
