#include "KeyStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/class_registry.h"
#include "platform/fault_injection.h"
#include "platform/win32_errno.h"
#include "winerror.h"

namespace local_engine {
namespace {

constexpr int kBusyTimeoutMs = 10000;

HRESULT FromErrno(int error) { return HRESULT_FROM_WIN32(platform::Win32ErrorFromErrno(error)); }

// What a SQLite result means as a Windows error.
HRESULT FromSqlite(sqlite3* db, int rc) {
    const int systemError = db != nullptr ? sqlite3_system_errno(db) : 0;
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW: return S_OK;
        case SQLITE_NOMEM: return E_OUTOFMEMORY;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION);
        case SQLITE_FULL: return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: return HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH: return E_ACCESSDENIED;
        case SQLITE_CANTOPEN:
            return systemError != 0 ? FromErrno(systemError) : HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        case SQLITE_IOERR: return systemError != 0 ? FromErrno(systemError) : HRESULT_FROM_WIN32(ERROR_IO_DEVICE);
        default: return E_FAIL;
    }
}

// A system call's errno, or the one a test injected in its place.
int InjectedErrno(const char* point) {
    auto injected = platform::fault::Check(point);
    return injected ? static_cast<int>(*injected) : 0;
}

// Creates each missing folder of `folder` with mode 0700: key stores are nobody else's business.
int MakePrivateFolders(const std::filesystem::path& folder) {
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        struct stat info{};
        if (::stat(partial.c_str(), &info) == 0) continue;
        if (int injected = InjectedErrno("sys:mkdir")) return injected;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

// Makes sure the file exists (when asked to) with mode 0600 before SQLite opens it, so that
// SQLite's own creation mode never applies. ENOENT is reported for a missing file in ExistingOnly.
int EnsureFile(const std::filesystem::path& file, bool create) {
    if (int injected = InjectedErrno("sys:open")) return injected;
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // A failed prepare or bind is kept and reported by Step.
    // Binds without a copy: the text must outlive the statement, so that no copy of a key is left
    // behind in SQLite's heap.
    void Bind(int index, std::string_view text) {
        if (rc_ == SQLITE_OK)
            rc_ = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    }
    int Step() { return rc_ = rc_ == SQLITE_OK || rc_ == SQLITE_ROW ? sqlite3_step(stmt_) : rc_; }
    std::string_view Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return text != nullptr ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                               : std::string_view();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_;
};

// Runs a setup statement. Switching to WAL can report SQLITE_BUSY without waiting on the busy
// handler while another process sets the store up, so setup retries until the busy timeout.
int ExecuteSetup(sqlite3* db, const char* sql) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        if ((rc & 0xFF) != SQLITE_BUSY || std::chrono::steady_clock::now() >= deadline) return rc;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

std::filesystem::path KeyStore::DefaultPath() {
    if (const char* file = std::getenv("QLM_ENGINE_STORE"); file != nullptr && *file != '\0') return file;
    const std::filesystem::path data = platform::com::UserDataHome();
    return data.empty() ? data : data / "quillmarsh" / "engine.db";
}

KeyStore::~KeyStore() { sqlite3_close_v2(db_); }

HRESULT KeyStore::Open(const std::filesystem::path& file, Mode mode) {
    if (file.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    const bool create = mode == Mode::CreateIfMissing;
    if (create) {
        if (int error = MakePrivateFolders(file.parent_path())) return FromErrno(error);
    }
    if (int error = EnsureFile(file, create)) {
        if (!create && (error == ENOENT || error == ENOTDIR)) return S_FALSE;
        return FromErrno(error);
    }
    const int rc = sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const HRESULT hr = FromSqlite(db_, rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return hr;
    }
    return Prepare();
}

HRESULT KeyStore::Prepare() {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    int rc = ExecuteSetup(db_, "PRAGMA journal_mode=WAL");
    if (rc == SQLITE_OK)
        rc = ExecuteSetup(db_,
                          "CREATE TABLE IF NOT EXISTS lock_keys ("
                          " token TEXT PRIMARY KEY NOT NULL,"
                          " key TEXT NOT NULL,"
                          " comment TEXT NOT NULL,"
                          " locked_at TEXT NOT NULL) WITHOUT ROWID");
    return FromSqlite(db_, rc);
}

HRESULT KeyStore::Record(const LockRecord& record) {
    Statement insert(db_, "INSERT INTO lock_keys (token, key, comment, locked_at) VALUES (?1, ?2, ?3, ?4)");
    insert.Bind(1, record.token);
    insert.Bind(2, record.key);
    insert.Bind(3, record.comment);
    insert.Bind(4, record.lockedAt);
    const int rc = insert.Step();
    return rc == SQLITE_DONE ? S_OK : FromSqlite(db_, rc);
}

HRESULT KeyStore::FindKey(std::string_view token, Secret& key) {
    Statement select(db_, "SELECT key FROM lock_keys WHERE token = ?1");
    select.Bind(1, token);
    const int rc = select.Step();
    if (rc == SQLITE_DONE) return S_FALSE;
    if (rc != SQLITE_ROW) return FromSqlite(db_, rc);
    const std::string_view text = select.Text(0);
    key.Assign(text.data(), text.size());
    return S_OK;
}

}  // namespace local_engine
