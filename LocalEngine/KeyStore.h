#pragma once
// The engine's key store: token -> key text, comment and lock time, in a SQLite database that
// several processes use at once (WAL mode, a busy timeout). The file is created with mode 0600 in a
// folder created with mode 0700. Every SQLite or system failure comes back as a folded HRESULT.
#include <filesystem>
#include <string>
#include <string_view>

#include "Secret.h"
#include "windef.h"

struct sqlite3;

namespace local_engine {

struct LockRecord {
    std::string_view token;
    std::string_view key;
    std::string_view comment;
    std::string_view lockedAt;
};

class KeyStore {
public:
    enum class Mode { CreateIfMissing, ExistingOnly };

    // $QLM_ENGINE_STORE, else ${XDG_DATA_HOME:-~/.local/share}/quillmarsh/engine.db.
    static std::filesystem::path DefaultPath();

    KeyStore() = default;
    ~KeyStore();
    KeyStore(const KeyStore&) = delete;
    KeyStore& operator=(const KeyStore&) = delete;

    // S_OK; S_FALSE when the mode is ExistingOnly and there is no store; otherwise the folded error.
    HRESULT Open(const std::filesystem::path& file, Mode mode);
    HRESULT Record(const LockRecord& record);
    // S_OK with the key text; S_FALSE when the token is unknown (compared exactly).
    HRESULT FindKey(std::string_view token, Secret& key);

private:
    HRESULT Prepare();
    sqlite3* db_ = nullptr;
};

}  // namespace local_engine
