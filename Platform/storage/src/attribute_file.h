#pragma once
// The file whose extended attributes hold its property sets, open for as long as any storage object
// that uses it lives: its descriptor carries the share-mode locks, and every attribute is read and
// written through it (never by path, so a rename meanwhile changes nothing).
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "windef.h"

namespace platform::storage {

class AttributeFile {
public:
    // Opens the regular file at path with grfMode's access and sharing (STGM_*), taking the same locks
    // as CreateFileW with the matching share mode, and makes sure that its file system keeps user
    // extended attributes. Failures as StgOpenStorageEx documents them.
    static HRESULT Open(const std::string& path, DWORD grfMode, std::shared_ptr<AttributeFile>& file);

    ~AttributeFile();
    AttributeFile(const AttributeFile&) = delete;
    AttributeFile& operator=(const AttributeFile&) = delete;

    bool Writable() const { return writable_; }

    // The value of the attribute name; value stays empty when the file has none.
    HRESULT Get(const char* name, std::optional<std::vector<std::uint8_t>>& value) const;
    HRESULT Set(const char* name, std::span<const std::uint8_t> value);
    // S_OK also when there was none.
    HRESULT Remove(const char* name);

private:
    AttributeFile(int fd, bool writable) : fd_(fd), writable_(writable) {}

    int fd_;
    bool writable_;
};

}  // namespace platform::storage
