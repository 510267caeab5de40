// Modules and their compiled-in resource tables.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "errhandlingapi.h"
#include "winbase_resources.h"
#include "platform/fault_injection.h"
#include "platform/resources.h"
#include "platform/utf.h"
#include "winerror.h"

namespace platform {
namespace {

// A resource as FindResourceW hands it out: the HRSRC points here.
struct FoundResource {
    HMODULE module;
    ResourceEntry entry;
};

struct Table {
    HMODULE module;
    bool live;
    std::vector<std::unique_ptr<FoundResource>> resources;
};

// Tables stay allocated after their module goes, so an HRSRC never points to freed memory.
struct Registry {
    std::mutex mutex;
    std::vector<std::unique_ptr<Table>> tables;
};

Registry& TheRegistry() {
    static auto* registry = new Registry;
    return *registry;
}

// An ordinal, or a string that is compared without regard to case; "#123" is the ordinal 123.
struct Key {
    WORD ordinal = 0;
    std::u16string name;
};

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

Key MakeKey(LPCWSTR id) {
    Key key;
    if (IS_INTRESOURCE(id)) {
        key.ordinal = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(id));
        return key;
    }
    std::u16string_view text(id, WideLength(id));
    if (text.size() > 1 && text[0] == u'#') {
        unsigned value = 0;
        bool digits = true;
        for (char16_t c : text.substr(1)) {
            if (c < u'0' || c > u'9' || value > 0xFFFF) digits = false;
            value = value * 10 + static_cast<unsigned>(c - u'0');
        }
        if (digits && value <= 0xFFFF) {
            key.ordinal = static_cast<WORD>(value);
            return key;
        }
    }
    for (char16_t c : text) key.name.push_back(Upper(c));
    return key;
}

bool Matches(const Key& key, LPCWSTR id) {
    const Key other = MakeKey(id);
    return key.ordinal != 0 ? other.ordinal == key.ordinal : other.ordinal == 0 && other.name == key.name;
}

// The lowest address that a loaded object maps: where its ELF header is, i.e. its base.
std::uintptr_t BaseOf(const dl_phdr_info& info) {
    std::uintptr_t lowest = UINTPTR_MAX;
    for (int i = 0; i < info.dlpi_phnum; ++i) {
        if (info.dlpi_phdr[i].p_type == PT_LOAD) lowest = std::min<std::uintptr_t>(lowest, info.dlpi_phdr[i].p_vaddr);
    }
    if (lowest == UINTPTR_MAX) return 0;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    return (info.dlpi_addr + lowest) & ~(page - 1);
}

struct ModuleSearch {
    std::string name;  // empty: the program itself (the first object listed)
    std::uintptr_t base = 0;
};

int FindModule(dl_phdr_info* info, std::size_t, void* data) {
    auto* search = static_cast<ModuleSearch*>(data);
    if (search->name.empty()) {
        search->base = BaseOf(*info);
        return 1;
    }
    const std::string path = info->dlpi_name != nullptr ? info->dlpi_name : "";
    const std::string file = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    if (file == search->name) {
        search->base = BaseOf(*info);
        return 1;
    }
    return 0;
}

}  // namespace

HMODULE ModuleOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0) return nullptr;
    return static_cast<HMODULE>(info.dli_fbase);
}

ResourceTable::ResourceTable(const void* addressInModule, std::span<const ResourceEntry> entries)
    : module_(ModuleOf(addressInModule)) {
    auto table = std::make_unique<Table>();
    table->module = module_;
    table->live = true;
    for (const ResourceEntry& entry : entries) {
        table->resources.push_back(std::make_unique<FoundResource>(FoundResource{module_, entry}));
    }
    token_ = table.get();
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.tables.push_back(std::move(table));
}

ResourceTable::~ResourceTable() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (auto& table : registry.tables) {
        if (table.get() == token_) table->live = false;
    }
}

}  // namespace platform

using namespace platform;

extern "C" {

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    if (platform::fault::Fail("GetModuleHandleW")) return nullptr;
    ModuleSearch search;
    if (lpModuleName != nullptr) {
        const std::optional<std::string> name = Utf16ToUtf8(std::u16string_view(lpModuleName, WideLength(lpModuleName)));
        if (!name || name->empty()) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        search.name = *name;
    }
    dl_iterate_phdr(FindModule, &search);
    if (search.base == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(search.base);
}

HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
    if (platform::fault::Fail("FindResourceW")) return nullptr;
    if (lpName == nullptr || lpType == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const HMODULE module = hModule != nullptr ? hModule : GetModuleHandleW(nullptr);
    const Key type = MakeKey(lpType);
    const Key name = MakeKey(lpName);
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    bool anyTable = false;
    bool anyType = false;
    for (const auto& table : registry.tables) {
        if (!table->live || table->module != module) continue;
        anyTable = true;
        for (const auto& resource : table->resources) {
            if (!Matches(type, resource->entry.type)) continue;
            anyType = true;
            if (Matches(name, resource->entry.name)) return reinterpret_cast<HRSRC>(resource.get());
        }
    }
    SetLastError(!anyTable  ? ERROR_RESOURCE_DATA_NOT_FOUND
                 : !anyType ? ERROR_RESOURCE_TYPE_NOT_FOUND
                            : ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC hResInfo) {
    if (platform::fault::Fail("LoadResource")) return nullptr;
    if (hResInfo == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // As on 32-bit Windows and later, the loaded resource is its data in the module's image.
    return const_cast<void*>(reinterpret_cast<const FoundResource*>(hResInfo)->entry.data);
}

LPVOID WINAPI LockResource(HGLOBAL hResData) { return hResData; }

DWORD WINAPI SizeofResource(HMODULE, HRSRC hResInfo) {
    if (hResInfo == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return reinterpret_cast<const FoundResource*>(hResInfo)->entry.size;
}

}  // extern "C"
