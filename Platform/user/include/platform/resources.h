#pragma once
// The resources of a module: a table that the module registers while it is loaded, keyed by the
// module's base address (its HINSTANCE), so that FindResourceW and friends find them as on Windows.
//
// A module registers with a static object in the file that holds its resources:
//   static const platform::ResourceTable resources(&resources, kEntries);
#include <cstddef>
#include <span>

#include "windef.h"

namespace platform {

struct ResourceEntry {
    LPCWSTR type;  // an ordinal (MAKEINTRESOURCEW, RT_DIALOG ...) or a string
    LPCWSTR name;  // an ordinal or a string
    WORD language;
    const void* data;
    DWORD size;
};

// The module that holds `address`: its base address as an HMODULE, or null.
HMODULE ModuleOf(const void* address);

class ResourceTable {
public:
    // The entries must outlive the registration (static data of the module).
    ResourceTable(const void* addressInModule, std::span<const ResourceEntry> entries);
    ~ResourceTable();
    ResourceTable(const ResourceTable&) = delete;
    ResourceTable& operator=(const ResourceTable&) = delete;

    HMODULE module() const { return module_; }

private:
    HMODULE module_;
    const void* token_;
};

}  // namespace platform
