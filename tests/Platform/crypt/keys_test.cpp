// Keys: CryptDeriveKey's documented derivation, plaintext blobs, key parameters.
#include "crypt_test_support.h"

namespace {

using namespace crypttest;

class KeyTest : public testing::Test {
protected:
    Context aes{MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES};

    // A SHA-1 hash object over "abc" on the AES provider.
    void HashAbc(Hash& hash) {
        ASSERT_TRUE(CryptCreateHash(aes.get(), CALG_SHA1, 0, 0, hash.put()));
        const Bytes abc = BytesOf("abc");
        ASSERT_TRUE(CryptHashData(hash.get(), abc.data(), 3, 0));
    }

    static Bytes Export(HCRYPTKEY key) {
        DWORD size = 0;
        EXPECT_TRUE(CryptExportKey(key, 0, PLAINTEXTKEYBLOB, 0, nullptr, &size));
        Bytes blob(size);
        EXPECT_TRUE(CryptExportKey(key, 0, PLAINTEXTKEYBLOB, 0, blob.data(), &size)) << std::hex << LastError();
        return blob;
    }
};

// D = SHA-1("abc"). AES keys: the start of SHA-1(0x36 pad ^ D) || SHA-1(0x5C pad ^ D); RC2 keys: the start of D.
// python3 -c 'import hashlib as h; d=h.sha1(b"abc").digest(); x=lambda c: bytes(a^b for a,b in zip(bytes([c])*64, d+bytes(44))); print(d.hex(), (h.sha1(x(0x36)).digest()+h.sha1(x(0x5c)).digest()).hex())'
TEST_F(KeyTest, DeriveKeyMakesTheDocumentedKeys) {
    struct Case {
        ALG_ID algid;
        DWORD flags;
        const char* key;
    } cases[] = {
        {CALG_AES_256, CRYPT_EXPORTABLE, "d6149aa6dc73c57f300e5e86175c3c3e731024ad6dcd8a68ad523cb0de34b320"},
        {CALG_AES_256, CRYPT_EXPORTABLE | (256u << 16), "d6149aa6dc73c57f300e5e86175c3c3e731024ad6dcd8a68ad523cb0de34b320"},
        {CALG_AES_192, CRYPT_EXPORTABLE, "d6149aa6dc73c57f300e5e86175c3c3e731024ad6dcd8a68"},
        {CALG_AES_128, CRYPT_EXPORTABLE, "d6149aa6dc73c57f300e5e86175c3c3e"},
        {CALG_RC2, CRYPT_EXPORTABLE, "a9993e364706816aba3e25717850c26c"},
        {CALG_RC2, CRYPT_EXPORTABLE | (40u << 16), "a9993e3647"},
        {CALG_RC2, CRYPT_EXPORTABLE | CRYPT_NO_SALT | (88u << 16), "a9993e364706816aba3e25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Hash hash;
        HashAbc(hash);
        Key key;
        ASSERT_TRUE(CryptDeriveKey(aes.get(), c.algid, hash.get(), c.flags, key.put())) << std::hex << LastError();
        const Bytes blob = Export(key.get());
        ASSERT_EQ(blob.size(), 12 + std::string(c.key).size() / 2);
        BLOBHEADER header;
        DWORD size = 0;
        std::memcpy(&header, blob.data(), sizeof header);
        std::memcpy(&size, blob.data() + 8, sizeof size);
        EXPECT_EQ(header.bType, PLAINTEXTKEYBLOB);
        EXPECT_EQ(header.bVersion, CUR_BLOB_VERSION);
        EXPECT_EQ(header.aiKeyAlg, c.algid);
        EXPECT_EQ(size, blob.size() - 12);
        EXPECT_EQ(Hex(blob.data() + 12, size), c.key);
        EXPECT_EQ(KeyDword(key.get(), KP_KEYLEN), size * 8);
        EXPECT_EQ(KeyDword(key.get(), KP_ALGID), c.algid);
        // Deriving finished the hash.
        EXPECT_FALSE(CryptHashData(hash.get(), blob.data(), 1, 0));
        EXPECT_EQ(LastError(), Code(NTE_BAD_HASH_STATE));
    }
}

TEST_F(KeyTest, DeriveKeyRefusesLengthsFlagsAndAlgorithmsItDoesNotHave) {
    Context full(MS_ENHANCED_PROV_W, PROV_RSA_FULL);
    struct Case {
        const char* what;
        HCRYPTPROV context;
        ALG_ID algid;
        DWORD flags;
        DWORD error;
    } cases[] = {
        {"AES on the enhanced provider", full.get(), CALG_AES_256, 0, Code(NTE_BAD_ALGID)},
        {"a hash algorithm", aes.get(), CALG_SHA1, 0, Code(NTE_BAD_ALGID)},
        {"AES-256 of 128 bits", aes.get(), CALG_AES_256, 128u << 16, Code(NTE_BAD_FLAGS)},
        {"RC2 of 32 bits", aes.get(), CALG_RC2, 32u << 16, Code(NTE_BAD_FLAGS)},
        {"RC2 of 136 bits", aes.get(), CALG_RC2, 136u << 16, Code(NTE_BAD_FLAGS)},
        {"RC2 of 44 bits", aes.get(), CALG_RC2, 44u << 16, Code(NTE_BAD_FLAGS)},
        {"a salt", aes.get(), CALG_RC2, 0x4, Code(NTE_BAD_FLAGS)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Hash hash;
        HashAbc(hash);
        HCRYPTKEY key = 0;
        SetLastError(0);
        EXPECT_FALSE(CryptDeriveKey(c.context, c.algid, hash.get(), c.flags, &key));
        EXPECT_EQ(LastError(), c.error) << std::hex << LastError();
        EXPECT_EQ(key, 0u);
        // A refused derivation leaves the hash open.
        EXPECT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>("x"), 1, 0));
    }
    // An HMAC hash that was never set up has no value to derive from.
    Key material;
    Import(aes.get(), CALG_RC2, Bytes(16, 9), 0, material);
    Hash hmac;
    ASSERT_TRUE(CryptCreateHash(aes.get(), CALG_HMAC, material.get(), 0, hmac.put()));
    HCRYPTKEY key = 0;
    EXPECT_FALSE(CryptDeriveKey(aes.get(), CALG_RC2, hmac.get(), 0, &key));
    EXPECT_EQ(LastError(), Code(NTE_BAD_HASH_STATE));
}

TEST_F(KeyTest, OnlyExportableKeysExportAndTheBlobFollowsTheLengthRule) {
    Hash hash;
    HashAbc(hash);
    Key key;
    ASSERT_TRUE(CryptDeriveKey(aes.get(), CALG_RC2, hash.get(), 0, key.put()));
    DWORD size = 0;
    EXPECT_FALSE(CryptExportKey(key.get(), 0, PLAINTEXTKEYBLOB, 0, nullptr, &size));
    EXPECT_EQ(LastError(), Code(NTE_BAD_KEY_STATE));

    Key exportable;
    Import(aes.get(), CALG_AES_128, Bytes(16, 5), CRYPT_EXPORTABLE, exportable);
    Bytes blob(27, 0xEE);
    size = 27;
    EXPECT_FALSE(CryptExportKey(exportable.get(), 0, PLAINTEXTKEYBLOB, 0, blob.data(), &size));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 28u);
    EXPECT_EQ(blob, Bytes(27, 0xEE));
    EXPECT_FALSE(CryptExportKey(exportable.get(), 0, 0x1 /* SIMPLEBLOB */, 0, nullptr, &size));
    EXPECT_EQ(LastError(), Code(NTE_BAD_TYPE));
    EXPECT_FALSE(CryptExportKey(exportable.get(), key.get(), PLAINTEXTKEYBLOB, 0, nullptr, &size));
    EXPECT_EQ(LastError(), Code(NTE_BAD_KEY));
    EXPECT_EQ(Export(exportable.get()), PlaintextBlob(CALG_AES_128, Bytes(16, 5)));
}

TEST_F(KeyTest, ImportKeyTakesWellFormedPlaintextBlobsOnly) {
    Context full(MS_ENHANCED_PROV_W, PROV_RSA_FULL);
    const auto withHeader = [](Bytes blob, std::size_t at, std::uint8_t value) {
        blob[at] = value;
        return blob;
    };
    const Bytes aes256 = PlaintextBlob(CALG_AES_256, Bytes(32, 1));
    struct Case {
        const char* what;
        HCRYPTPROV context;
        Bytes blob;
        DWORD flags;
        DWORD error;  // 0: imported
    } cases[] = {
        {"AES-256", aes.get(), aes256, 0, 0},
        {"RC2 of 5 bytes", full.get(), PlaintextBlob(CALG_RC2, Bytes(5, 1)), 0, 0},
        {"HMAC key of 1 byte", full.get(), PlaintextBlob(CALG_RC2, Bytes(1, 1)), CRYPT_IPSEC_HMAC_KEY, 0},
        {"HMAC key of 200 bytes", full.get(), PlaintextBlob(CALG_RC2, Bytes(200, 1)), CRYPT_IPSEC_HMAC_KEY, 0},
        {"RC2 of 4 bytes", full.get(), PlaintextBlob(CALG_RC2, Bytes(4, 1)), 0, Code(NTE_BAD_DATA)},
        {"RC2 of 17 bytes", full.get(), PlaintextBlob(CALG_RC2, Bytes(17, 1)), 0, Code(NTE_BAD_DATA)},
        {"empty HMAC key", full.get(), PlaintextBlob(CALG_RC2, Bytes()), CRYPT_IPSEC_HMAC_KEY, Code(NTE_BAD_DATA)},
        {"AES-256 of 16 bytes", aes.get(), PlaintextBlob(CALG_AES_256, Bytes(16, 1)), 0, Code(NTE_BAD_DATA)},
        {"AES on the enhanced provider", full.get(), aes256, 0, Code(NTE_BAD_ALGID)},
        {"SHA-1 as key", aes.get(), PlaintextBlob(CALG_SHA1, Bytes(16, 1)), 0, Code(NTE_BAD_ALGID)},
        {"other blob type", aes.get(), withHeader(aes256, 0, 0x1), 0, Code(NTE_BAD_TYPE)},
        {"other version", aes.get(), withHeader(aes256, 1, 3), 0, Code(NTE_BAD_VER)},
        {"cut short", aes.get(), Bytes(aes256.begin(), aes256.end() - 1), 0, Code(NTE_BAD_DATA)},
        {"no size", aes.get(), Bytes(aes256.begin(), aes256.begin() + 10), 0, Code(NTE_BAD_DATA)},
        {"unknown flag", aes.get(), aes256, 0x2, Code(NTE_BAD_FLAGS)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HCRYPTKEY key = 0;
        SetLastError(0);
        const BOOL ok = CryptImportKey(c.context, c.blob.data(), static_cast<DWORD>(c.blob.size()), 0, c.flags, &key);
        if (c.error == 0) {
            EXPECT_TRUE(ok) << std::hex << LastError();
            EXPECT_TRUE(CryptDestroyKey(key));
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(LastError(), c.error) << std::hex << LastError();
            EXPECT_EQ(key, 0u);
        }
    }
}

TEST_F(KeyTest, KeyParametersReadAndSetAsDocumented) {
    Key aesKey;
    Import(aes.get(), CALG_AES_256, Bytes(32, 2), 0, aesKey);
    Key rc2Key;
    Import(aes.get(), CALG_RC2, Bytes(16, 2), 0, rc2Key);
    EXPECT_EQ(KeyDword(aesKey.get(), KP_BLOCKLEN), 128u);
    EXPECT_EQ(KeyDword(rc2Key.get(), KP_BLOCKLEN), 64u);
    EXPECT_EQ(KeyDword(aesKey.get(), KP_KEYLEN), 256u);
    EXPECT_EQ(KeyDword(rc2Key.get(), KP_KEYLEN), 128u);
    EXPECT_EQ(KeyDword(aesKey.get(), KP_MODE), static_cast<DWORD>(CRYPT_MODE_CBC));
    EXPECT_EQ(KeyDword(aesKey.get(), KP_PADDING), static_cast<DWORD>(PKCS5_PADDING));

    // The IV starts as zeros; KP_IV takes one block from the start of a longer buffer.
    BYTE iv[32];
    DWORD size = sizeof iv;
    ASSERT_TRUE(CryptGetKeyParam(aesKey.get(), KP_IV, iv, &size, 0));
    EXPECT_EQ(Hex(iv, size), std::string(32, '0'));
    Bytes digest(32);
    for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(i + 1);
    SetIv(aesKey.get(), digest);
    SetIv(rc2Key.get(), digest);
    size = sizeof iv;
    ASSERT_TRUE(CryptGetKeyParam(aesKey.get(), KP_IV, iv, &size, 0));
    EXPECT_EQ(Hex(iv, size), "0102030405060708090a0b0c0d0e0f10");
    size = sizeof iv;
    ASSERT_TRUE(CryptGetKeyParam(rc2Key.get(), KP_IV, iv, &size, 0));
    EXPECT_EQ(Hex(iv, size), "0102030405060708");

    size = 3;
    EXPECT_FALSE(CryptGetKeyParam(aesKey.get(), KP_BLOCKLEN, iv, &size, 0));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 4u);
    size = 0;
    EXPECT_TRUE(CryptGetKeyParam(aesKey.get(), KP_IV, nullptr, &size, 0));
    EXPECT_EQ(size, 16u);

    struct Case {
        const char* what;
        DWORD param;
        DWORD value;
        DWORD flags;
        DWORD error;
    } refused[] = {
        {"ECB mode", KP_MODE, 2, 0, Code(NTE_BAD_DATA)},
        {"zero padding", KP_PADDING, 3, 0, Code(NTE_BAD_DATA)},
        {"salt", 2 /* KP_SALT */, 0, 0, Code(NTE_BAD_TYPE)},
        {"flags", KP_MODE, CRYPT_MODE_CBC, 1, Code(NTE_BAD_FLAGS)},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_FALSE(CryptSetKeyParam(aesKey.get(), c.param, reinterpret_cast<const BYTE*>(&c.value), c.flags));
        EXPECT_EQ(LastError(), c.error);
    }
    EXPECT_FALSE(CryptSetKeyParam(aesKey.get(), KP_IV, nullptr, 0));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    size = 4;
    EXPECT_FALSE(CryptGetKeyParam(aesKey.get(), 2 /* KP_SALT */, iv, &size, 0));
    EXPECT_EQ(LastError(), Code(NTE_BAD_TYPE));
}

}  // namespace
