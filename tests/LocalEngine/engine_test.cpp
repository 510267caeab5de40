#include <fcntl.h>
#include <openssl/evp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <set>

#include "engine_fixture.h"
#include "platform/fault_injection.h"
#include "winerror.h"

namespace {

using namespace enginetest;
using local_engine::kUnknownToken;

unsigned ModeOf(const std::filesystem::path& path) {
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

std::size_t DecodedLength(const std::string& base64) {
    std::vector<unsigned char> out(base64.size());
    const int length = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(base64.data()),
                                       static_cast<int>(base64.size()));
    if (length < 0) return 0;
    // EVP_DecodeBlock counts the bytes that the padding stands for.
    return static_cast<std::size_t>(length) - static_cast<std::size_t>(std::count(base64.begin(), base64.end(), '='));
}

// What QlmFile does, from a fresh build tree: no install step, no QLM_COM_REGISTRY, the default store.
TEST_F(EngineTest, LocksAndUnlocksFromAFreshBuildTree) {
    ASSERT_EQ(std::getenv("QLM_COM_REGISTRY"), nullptr);
    const LockKeys lock = Lock();
    ASSERT_EQ(lock.hr, S_OK);
    ASSERT_TRUE(lock.key && lock.token && lock.comment);

    const UnlockKey unlock = Unlock(lock.token.Get(), lock.comment.Get());
    ASSERT_EQ(unlock.hr, S_OK);
    EXPECT_EQ(Narrow(unlock.key.Get()), Narrow(lock.key.Get()));
    EXPECT_TRUE(std::filesystem::exists(DefaultStore()));
}

TEST_F(EngineTest, IssuedTextsHaveTheirForms) {
    const LockKeys lock = Lock();
    ASSERT_EQ(lock.hr, S_OK);
    const std::string key = Narrow(lock.key.Get());
    const std::string token = Narrow(lock.token.Get());
    EXPECT_TRUE(std::regex_match(key, std::regex("[A-Za-z0-9+/]{43}="))) << "key text is not 32 bytes of Base64";
    EXPECT_EQ(DecodedLength(key), 32u);
    EXPECT_TRUE(std::regex_match(token, std::regex("[A-Za-z0-9+/]{22}=="))) << token;
    EXPECT_EQ(DecodedLength(token), 16u);
    EXPECT_TRUE(std::regex_match(Narrow(lock.comment.Get()),
                                 std::regex("Locked by .+ on .+ at \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d")))
        << Narrow(lock.comment.Get());
}

TEST_F(EngineTest, EveryLockIssuesItsOwnKeyAndTokenAndEachUnlocksToItsOwn) {
    std::vector<LockKeys> locks;
    std::set<std::string> keys;
    std::set<std::string> tokens;
    for (int i = 0; i < 20; ++i) {
        locks.push_back(Lock());
        ASSERT_EQ(locks.back().hr, S_OK);
        keys.insert(Narrow(locks.back().key.Get()));
        tokens.insert(Narrow(locks.back().token.Get()));
    }
    EXPECT_EQ(keys.size(), 20u);
    EXPECT_EQ(tokens.size(), 20u);
    for (const LockKeys& lock : locks) {
        const UnlockKey unlock = Unlock(lock.token.Get(), nullptr);  // the comment is not needed
        ASSERT_EQ(unlock.hr, S_OK);
        EXPECT_EQ(Narrow(unlock.key.Get()), Narrow(lock.key.Get()));
    }
}

TEST_F(EngineTest, TokenNotIssuedHereIsDamagedContentWithNoKey) {
    const LockKeys lock = Lock();
    ASSERT_EQ(lock.hr, S_OK);
    const std::string token = Narrow(lock.token.Get());
    std::string otherCase = token;
    for (char& c : otherCase) c = static_cast<char>(std::islower(static_cast<unsigned char>(c)) ? std::toupper(c) : std::tolower(c));
    const std::string cases[] = {"", "AAAAAAAAAAAAAAAAAAAAAA==", otherCase, token + " ", token.substr(0, 23), token + "'; --"};
    for (const std::string& text : cases) {
        UniqueBstr wrong = Wide(text);
        const UnlockKey unlock = Unlock(wrong.Get(), lock.comment.Get());
        EXPECT_EQ(unlock.hr, kUnknownToken) << text;
        EXPECT_FALSE(unlock.key);
    }
    const UnlockKey none = Unlock(nullptr, nullptr);
    EXPECT_EQ(none.hr, kUnknownToken);
    EXPECT_FALSE(none.key);
}

TEST_F(EngineTest, UnlockBeforeAnyLockCreatesNoStore) {
    UniqueBstr token = Wide("AAAAAAAAAAAAAAAAAAAAAA==");
    const UnlockKey unlock = Unlock(token.Get(), nullptr);
    EXPECT_EQ(unlock.hr, kUnknownToken);
    EXPECT_FALSE(unlock.key);
    EXPECT_FALSE(std::filesystem::exists(DefaultStore()));
}

TEST_F(EngineTest, NullOutSlotsAreRefusedAndTheOthersLeftNull) {
    UniqueBstr token;
    UniqueBstr comment;
    EXPECT_EQ(engine_->GetLockKeys(nullptr, token.Put(), comment.Put()), E_POINTER);
    EXPECT_FALSE(token);
    EXPECT_FALSE(comment);
    UniqueBstr known = Wide("AAAAAAAAAAAAAAAAAAAAAA==");
    EXPECT_EQ(engine_->GetUnlockKey(known.Get(), nullptr, nullptr), E_POINTER);
}

TEST_F(EngineTest, OtherEntriesAreNotImplemented) {
    IQlmEngine* engine = engine_.Get();
    for (HRESULT hr : {engine->Reserved4(), engine->Reserved5(), engine->Reserved6(), engine->Reserved7(),
                       engine->Reserved8(), engine->Reserved9(), engine->Reserved10(), engine->Reserved11()})
        EXPECT_EQ(hr, E_NOTIMPL);
}

// The engine is an outside component: callers built elsewhere find its methods by their place in the
// vtable, counting from 1: 4 to 11 unused, 12 GetLockKeys, 13 GetUnlockKey.
TEST_F(EngineTest, MethodsSitAtTheirVtableEntries) {
    using Unused = HRESULT(STDMETHODCALLTYPE*)(IQlmEngine*);
    using LockEntry = HRESULT(STDMETHODCALLTYPE*)(IQlmEngine*, BSTR*, BSTR*, BSTR*);
    using UnlockEntry = HRESULT(STDMETHODCALLTYPE*)(IQlmEngine*, BSTR, BSTR, BSTR*);
    IQlmEngine* engine = engine_.Get();
    void* const* vtable = *reinterpret_cast<void* const* const*>(engine);
    auto entry = [&](int number) { return vtable[number - 1]; };

    for (int number = 4; number <= 11; ++number)
        EXPECT_EQ(reinterpret_cast<Unused>(entry(number))(engine), E_NOTIMPL) << "entry " << number;
    UniqueBstr key, token, comment, unlocked;
    ASSERT_EQ(reinterpret_cast<LockEntry>(entry(12))(engine, key.Put(), token.Put(), comment.Put()), S_OK);
    ASSERT_TRUE(key && token);
    ASSERT_EQ(reinterpret_cast<UnlockEntry>(entry(13))(engine, token.Get(), comment.Get(), unlocked.Put()), S_OK);
    EXPECT_EQ(Narrow(unlocked.Get()), Narrow(key.Get()));
}

TEST_F(EngineTest, StoreIsPrivateInWalModeAndRecordsCommentAndTime) {
    const LockKeys lock = Lock();
    ASSERT_EQ(lock.hr, S_OK);
    EXPECT_EQ(ModeOf(DefaultStore()), 0600u);
    EXPECT_EQ(ModeOf(DefaultStore().parent_path()), 0700u);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(DefaultStore().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT comment, locked_at FROM lock_keys WHERE token = ?1", -1, &stmt, nullptr),
              SQLITE_OK);
    const std::string token = Narrow(lock.token.Get());
    sqlite3_bind_text(stmt, 1, token.c_str(), -1, SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), Narrow(lock.comment.Get()));
    EXPECT_TRUE(std::regex_match(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)),
                                 std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ")));
    sqlite3_finalize(stmt);
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "wal");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST_F(EngineTest, StoreThatCannotBeOpenedGivesItsFoldedErrorAndNoTexts) {
    qlmtest::WriteText(home_ / "file", "");
    qlmtest::WriteText(home_ / "garbage.db", std::string(4096, 'x'));
    std::filesystem::create_directory(home_ / "folder.db");
    struct Case {
        const char* name;
        std::filesystem::path store;
        const char* faultPoint;
        DWORD faultErrno;
        HRESULT expected;
    } cases[] = {
        {"parent is a file", home_ / "file" / "engine.db", nullptr, 0, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
        {"store is a folder", home_ / "folder.db", nullptr, 0, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
        {"not a database", home_ / "garbage.db", nullptr, 0, HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT)},
        {"disk error", home_ / "new" / "engine.db", "sys:open", EIO, HRESULT_FROM_WIN32(ERROR_IO_DEVICE)},
        {"disk full", home_ / "full" / "engine.db", "sys:mkdir", ENOSPC, HRESULT_FROM_WIN32(ERROR_DISK_FULL)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setenv("QLM_ENGINE_STORE", c.store.c_str(), 1);
        if (c.faultPoint != nullptr) platform::fault::Arm(c.faultPoint, c.faultErrno);
        const LockKeys lock = Lock();
        platform::fault::DisarmAll();
        EXPECT_EQ(lock.hr, c.expected);
        EXPECT_FALSE(lock.key || lock.token || lock.comment);
    }
    // An unlock meets the same store errors (a missing store aside: no store knows no token).
    setenv("QLM_ENGINE_STORE", (home_ / "garbage.db").c_str(), 1);
    UniqueBstr token = Wide("AAAAAAAAAAAAAAAAAAAAAA==");
    const UnlockKey unlock = Unlock(token.Get(), nullptr);
    EXPECT_EQ(unlock.hr, HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT));
    EXPECT_FALSE(unlock.key);
}

// Captures what the process writes to its standard output and error while `body` runs.
template <class F>
std::string CaptureOutput(const std::filesystem::path& file, F body) {
    fflush(stdout);
    fflush(stderr);
    const int out = ::dup(1);
    const int err = ::dup(2);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    body();
    fflush(stdout);
    fflush(stderr);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::close(out);
    ::close(err);
    ::close(fd);
    const auto bytes = qlmtest::ReadBytes(file);
    return {bytes.begin(), bytes.end()};
}

TEST_F(EngineTest, WritesNothingToStandardOutputOrError) {
    std::string key;
    const std::string output = CaptureOutput(home_ / "output", [&] {
        const LockKeys lock = Lock();
        const UnlockKey unlock = Unlock(lock.token.Get(), lock.comment.Get());
        key = Narrow(unlock.key.Get());
        UniqueBstr unknown = Wide("unknown");
        Unlock(unknown.Get(), nullptr);
    });
    EXPECT_EQ(key.size(), 44u);
    EXPECT_EQ(output, "");
}

}  // namespace
