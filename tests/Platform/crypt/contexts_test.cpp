// Provider contexts, handle checking and fault injection across the CryptoAPI slice.
#include <functional>

#include "crypt_test_support.h"
#include "platform/crypt_objects.h"
#include "platform/fault_injection.h"

namespace {

using namespace crypttest;

constexpr HCRYPTPROV kUntouched = 0xDEADBEEF;

struct AcquireCase {
    const char* what;
    LPCWSTR container;
    LPCWSTR provider;
    DWORD type;
    DWORD flags;
    HRESULT error;  // S_OK: succeeds
    const char* registered = nullptr;  // PP_NAME of the context made
};

constexpr const char* kAes = "Microsoft Enhanced RSA and AES Cryptographic Provider";
constexpr const char* kAesXp = "Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)";
constexpr const char* kEnhanced = "Microsoft Enhanced Cryptographic Provider v1.0";

TEST(CryptAcquireContextW, KnowsTheProvidersByNameAndTypeAndFailsAsCryptoApiDoes) {
    const AcquireCase cases[] = {
        {"AES provider", nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT, S_OK, kAes},
        {"AES provider, XP name", nullptr, MS_ENH_RSA_AES_PROV_XP_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT, S_OK, kAesXp},
        {"enhanced provider", nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, S_OK, kEnhanced},
        {"AES default", nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT, S_OK, kAes},
        {"full default", nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, S_OK, kEnhanced},
        {"name in other case", nullptr, TEXT("microsoft enhanced cryptographic provider V1.0"), PROV_RSA_FULL,
         CRYPT_VERIFYCONTEXT, S_OK, kEnhanced},
        {"silent", nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT, S_OK, kAes},
        {"empty container", TEXT(""), nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT, S_OK, kAes},
        {"enhanced as AES", nullptr, MS_ENHANCED_PROV_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT, NTE_PROV_TYPE_NO_MATCH},
        {"AES as full", nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, NTE_PROV_TYPE_NO_MATCH},
        {"base provider", nullptr, TEXT("Microsoft Base Cryptographic Provider v1.0"), PROV_RSA_FULL,
         CRYPT_VERIFYCONTEXT, NTE_KEYSET_NOT_DEF},
        {"name with trailing space", nullptr, TEXT("Microsoft Enhanced RSA and AES Cryptographic Provider "),
         PROV_RSA_AES, CRYPT_VERIFYCONTEXT, NTE_KEYSET_NOT_DEF},
        {"name cut short", nullptr, TEXT("Microsoft Enhanced RSA and AES"), PROV_RSA_AES, CRYPT_VERIFYCONTEXT,
         NTE_KEYSET_NOT_DEF},
        {"type without provider", nullptr, nullptr, 12, CRYPT_VERIFYCONTEXT, NTE_PROV_TYPE_NOT_DEF},
        {"type 0", nullptr, nullptr, 0, CRYPT_VERIFYCONTEXT, NTE_BAD_PROV_TYPE},
        {"type 1000", nullptr, MS_ENHANCED_PROV_W, 1000, CRYPT_VERIFYCONTEXT, NTE_BAD_PROV_TYPE},
        {"key container", nullptr, nullptr, PROV_RSA_AES, 0, NTE_BAD_KEYSET},
        {"named container", TEXT("keys"), nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT, NTE_BAD_FLAGS},
        {"new keyset", nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET, NTE_BAD_FLAGS},
        {"part of verify flag", nullptr, nullptr, PROV_RSA_AES, 0x10000000, NTE_BAD_FLAGS},
        {"unknown flag", nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | 0x4, NTE_BAD_FLAGS},
    };
    for (const AcquireCase& c : cases) {
        SCOPED_TRACE(c.what);
        HCRYPTPROV context = kUntouched;
        SetLastError(0);
        const BOOL ok = CryptAcquireContextW(&context, c.container, c.provider, c.type, c.flags);
        if (c.error == S_OK) {
            ASSERT_TRUE(ok) << std::hex << GetLastError();
            EXPECT_NE(context, kUntouched);
            EXPECT_NE(context, 0u);
            char name[80] = {};
            DWORD size = sizeof name;
            EXPECT_TRUE(CryptGetProvParam(context, PP_NAME, reinterpret_cast<BYTE*>(name), &size, 0));
            EXPECT_STREQ(name, c.registered);
            EXPECT_EQ(size, std::strlen(c.registered) + 1);
            DWORD type = 0;
            size = sizeof type;
            EXPECT_TRUE(CryptGetProvParam(context, PP_PROVTYPE, reinterpret_cast<BYTE*>(&type), &size, 0));
            EXPECT_EQ(type, c.type);
            EXPECT_TRUE(CryptReleaseContext(context, 0));
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(LastError(), Code(c.error)) << std::hex << LastError();
            EXPECT_EQ(context, kUntouched);
        }
    }
    SetLastError(0);
    EXPECT_FALSE(CryptAcquireContextW(nullptr, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Only the AES provider has AES: the two types are really different providers.
TEST(CryptAcquireContextW, AesKeysComeOnlyFromTheAesProvider) {
    for (const auto& [name, type, hasAes] : {std::tuple{MS_ENH_RSA_AES_PROV_XP_W, PROV_RSA_AES, true},
                                             std::tuple{MS_ENHANCED_PROV_W, PROV_RSA_FULL, false}}) {
        Context context(name, type);
        Hash hash;
        ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, hash.put()));
        Key key;
        EXPECT_EQ(CryptDeriveKey(context.get(), CALG_AES_256, hash.get(), 0, key.put()), hasAes ? TRUE : FALSE);
        if (!hasAes) {
            EXPECT_EQ(LastError(), Code(NTE_BAD_ALGID));
        }
    }
}

TEST(CryptReleaseContext, ReleasesOnceAndAlsoWithFlagsThatItRefuses) {
    const auto before = platform::crypt::CountLiveObjects();
    HCRYPTPROV context = 0;
    ASSERT_TRUE(CryptAcquireContextW(&context, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    EXPECT_EQ(platform::crypt::CountLiveObjects().contexts, before.contexts + 1);
    EXPECT_FALSE(CryptReleaseContext(context, 1));
    EXPECT_EQ(LastError(), Code(NTE_BAD_FLAGS));
    EXPECT_EQ(platform::crypt::CountLiveObjects(), before);  // released all the same
    EXPECT_FALSE(CryptReleaseContext(context, 0));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Keys and hashes carry what they need: they work on, and are destroyed, after their context went.
TEST(CryptReleaseContext, KeysAndHashesOutliveTheirContext) {
    HCRYPTPROV context = 0;
    ASSERT_TRUE(CryptAcquireContextW(&context, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT));
    Hash hash;
    ASSERT_TRUE(CryptCreateHash(context, CALG_SHA1, 0, 0, hash.put()));
    Key key;
    Import(context, CALG_AES_128, Bytes(16, 7), 0, key);
    ASSERT_TRUE(CryptReleaseContext(context, 0));
    const Bytes abc = BytesOf("abc");
    ASSERT_TRUE(CryptHashData(hash.get(), abc.data(), 3, 0));
    EXPECT_EQ(HashValue(hash.get()), "a9993e364706816aba3e25717850c26c9cd0d89d");
    BYTE block[16] = {};
    DWORD size = 0;
    EXPECT_TRUE(CryptEncrypt(key.get(), 0, TRUE, 0, block, &size, sizeof block));
    EXPECT_EQ(size, 16u);
}

// One object of each kind, to misuse or to make fail.
class ObjectsTest : public testing::Test {
protected:
    void SetUp() override {
        Import(context.get(), CALG_AES_256, Bytes(32, 1), CRYPT_EXPORTABLE, key);
        ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, hash.put()));
    }

    Context context{nullptr, PROV_RSA_AES};
    Key key;
    Hash hash;  // SHA-1
};

// Every handle is looked up in the process's table: a stale handle, 0 or a handle of another kind
// fails with the error CryptoAPI gives for that argument.
TEST_F(ObjectsTest, StaleZeroAndForeignHandlesFailWithoutHarm) {
    Hash goneHash;
    ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, goneHash.put()));
    const HCRYPTHASH stale = goneHash.release();
    ASSERT_TRUE(CryptDestroyHash(stale));

    const HCRYPTPROV contextHandle = context.get();
    const HCRYPTKEY keyHandle = key.get();
    const HCRYPTHASH hashHandle = hash.get();
    BYTE buffer[64] = {};
    DWORD size = 16;
    HCRYPTHASH newHash = 0;
    HCRYPTKEY newKey = 0;
    const DWORD dw = CALG_SHA1;
    HMAC_INFO info = {CALG_SHA1, nullptr, 0, nullptr, 0};
    const Bytes blob = PlaintextBlob(CALG_AES_128, Bytes(16, 3));

    struct Case {
        const char* what;
        std::function<BOOL()> call;
        DWORD error;
    } cases[] = {
        {"CreateHash on a key", [&] { return CryptCreateHash(keyHandle, CALG_SHA1, 0, 0, &newHash); }, ERROR_INVALID_HANDLE},
        {"CreateHash on 0", [&] { return CryptCreateHash(0, CALG_SHA1, 0, 0, &newHash); }, ERROR_INVALID_HANDLE},
        {"HMAC with a hash as key", [&] { return CryptCreateHash(contextHandle, CALG_HMAC, hashHandle, 0, &newHash); },
         Code(NTE_BAD_KEY)},
        {"HashData on a stale hash", [&] { return CryptHashData(stale, buffer, 1, 0); }, Code(NTE_BAD_HASH)},
        {"HashData on a key", [&] { return CryptHashData(keyHandle, buffer, 1, 0); }, Code(NTE_BAD_HASH)},
        {"SetHashParam on a context", [&] { return CryptSetHashParam(contextHandle, HP_HMAC_INFO, reinterpret_cast<BYTE*>(&info), 0); },
         Code(NTE_BAD_HASH)},
        {"GetHashParam on a stale hash", [&] { return CryptGetHashParam(stale, HP_HASHVAL, buffer, &size, 0); }, Code(NTE_BAD_HASH)},
        {"DeriveKey on a hash as context", [&] { return CryptDeriveKey(hashHandle, CALG_RC2, hashHandle, 0, &newKey); },
         ERROR_INVALID_HANDLE},
        {"DeriveKey from a key", [&] { return CryptDeriveKey(contextHandle, CALG_RC2, keyHandle, 0, &newKey); }, Code(NTE_BAD_HASH)},
        {"DeriveKey from a stale hash", [&] { return CryptDeriveKey(contextHandle, CALG_RC2, stale, 0, &newKey); }, Code(NTE_BAD_HASH)},
        {"ImportKey on a key", [&] { return CryptImportKey(keyHandle, blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &newKey); },
         ERROR_INVALID_HANDLE},
        {"ExportKey of a hash", [&] { return CryptExportKey(hashHandle, 0, PLAINTEXTKEYBLOB, 0, buffer, &size); }, Code(NTE_BAD_KEY)},
        {"SetKeyParam on a hash", [&] { return CryptSetKeyParam(hashHandle, KP_MODE, reinterpret_cast<const BYTE*>(&dw), 0); },
         Code(NTE_BAD_KEY)},
        {"GetKeyParam on 0", [&] { return CryptGetKeyParam(0, KP_BLOCKLEN, buffer, &size, 0); }, Code(NTE_BAD_KEY)},
        {"Encrypt with a context", [&] { return CryptEncrypt(contextHandle, 0, TRUE, 0, buffer, &size, sizeof buffer); },
         Code(NTE_BAD_KEY)},
        {"Encrypt hashing into a key", [&] { return CryptEncrypt(keyHandle, keyHandle, TRUE, 0, buffer, &size, sizeof buffer); },
         Code(NTE_BAD_HASH)},
        {"Decrypt with a hash", [&] { return CryptDecrypt(hashHandle, 0, TRUE, 0, buffer, &size); }, Code(NTE_BAD_KEY)},
        {"DestroyKey of a hash", [&] { return CryptDestroyKey(hashHandle); }, Code(NTE_BAD_KEY)},
        {"DestroyHash of a key", [&] { return CryptDestroyHash(keyHandle); }, Code(NTE_BAD_HASH)},
        {"DestroyHash twice", [&] { return CryptDestroyHash(stale); }, Code(NTE_BAD_HASH)},
        {"ReleaseContext of a key", [&] { return CryptReleaseContext(keyHandle, 0); }, ERROR_INVALID_HANDLE},
        {"GetProvParam of a hash", [&] { return CryptGetProvParam(hashHandle, PP_NAME, buffer, &size, 0); }, ERROR_INVALID_HANDLE},
    };
    const auto before = platform::crypt::CountLiveObjects();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        size = 16;
        EXPECT_FALSE(c.call());
        EXPECT_EQ(LastError(), c.error) << std::hex << LastError();
    }
    EXPECT_EQ(platform::crypt::CountLiveObjects(), before);
    EXPECT_EQ(newHash, 0u);
    EXPECT_EQ(newKey, 0u);
    // The objects whose handles were misused are intact.
    EXPECT_EQ(Sha1Hex(contextHandle, BytesOf("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(KeyDword(keyHandle, KP_KEYLEN), 256u);
}

// Every function of the slice can be made to fail by its own name; it then does nothing else.
TEST_F(ObjectsTest, EveryFunctionFailsByItsNameAndChangesNothing) {
    const Hash& sha1 = hash;
    Hash hmac;
    ASSERT_TRUE(CryptCreateHash(context.get(), CALG_HMAC, key.get(), 0, hmac.put()));
    HMAC_INFO info = {CALG_SHA1, nullptr, 0, nullptr, 0};
    const Bytes blob = PlaintextBlob(CALG_AES_128, Bytes(16, 3));
    const DWORD mode = CRYPT_MODE_CBC;
    BYTE buffer[64] = {};
    DWORD size = 16;
    HCRYPTPROV newContext = 0;
    HCRYPTHASH newHash = 0;
    HCRYPTKEY newKey = 0;

    struct Case {
        const char* name;
        std::function<BOOL()> call;
    } cases[] = {
        {"CryptAcquireContextW", [&] { return CryptAcquireContextW(&newContext, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT); }},
        {"CryptReleaseContext", [&] { return CryptReleaseContext(context.get(), 0); }},
        {"CryptGetProvParam", [&] { return CryptGetProvParam(context.get(), PP_NAME, buffer, &size, 0); }},
        {"CryptCreateHash", [&] { return CryptCreateHash(context.get(), CALG_SHA1, 0, 0, &newHash); }},
        {"CryptHashData", [&] { return CryptHashData(sha1.get(), buffer, 16, 0); }},
        {"CryptSetHashParam", [&] { return CryptSetHashParam(hmac.get(), HP_HMAC_INFO, reinterpret_cast<BYTE*>(&info), 0); }},
        {"CryptGetHashParam", [&] { return CryptGetHashParam(sha1.get(), HP_HASHVAL, buffer, &size, 0); }},
        {"CryptDestroyHash", [&] { return CryptDestroyHash(sha1.get()); }},
        {"CryptDeriveKey", [&] { return CryptDeriveKey(context.get(), CALG_RC2, sha1.get(), 0, &newKey); }},
        {"CryptImportKey", [&] { return CryptImportKey(context.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &newKey); }},
        {"CryptExportKey", [&] { return CryptExportKey(key.get(), 0, PLAINTEXTKEYBLOB, 0, nullptr, &size); }},
        {"CryptSetKeyParam", [&] { return CryptSetKeyParam(key.get(), KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0); }},
        {"CryptGetKeyParam", [&] { return CryptGetKeyParam(key.get(), KP_BLOCKLEN, buffer, &size, 0); }},
        {"CryptDestroyKey", [&] { return CryptDestroyKey(key.get()); }},
        {"CryptEncrypt", [&] { return CryptEncrypt(key.get(), 0, FALSE, 0, buffer, &size, sizeof buffer); }},
        {"CryptDecrypt", [&] { return CryptDecrypt(key.get(), 0, FALSE, 0, buffer, &size); }},
    };
    const auto before = platform::crypt::CountLiveObjects();
    const BYTE untouched[64] = {};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::fault::Scoped fault(c.name, ERROR_DISK_FULL);
        size = 16;
        EXPECT_FALSE(c.call());
        EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_DISK_FULL));
        EXPECT_EQ(size, 16u);
        EXPECT_EQ(std::memcmp(buffer, untouched, sizeof buffer), 0);
    }
    EXPECT_EQ(platform::crypt::CountLiveObjects(), before);
    EXPECT_EQ(newContext, 0u);
    EXPECT_EQ(newHash, 0u);
    EXPECT_EQ(newKey, 0u);
    // The hash took no data while its calls were failing.
    EXPECT_EQ(HashValue(sha1.get()), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

}  // namespace
