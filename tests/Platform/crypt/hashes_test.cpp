// SHA-1 and HMAC-SHA1 hash objects.
#include "crypt_test_support.h"

namespace {

using namespace crypttest;

class HashTest : public testing::Test {
protected:
    Context context{MS_ENHANCED_PROV_W, PROV_RSA_FULL};

    // An HMAC-SHA1 hash object under the given key bytes, imported as CryptoAPI's documented way
    // to bring in an HMAC key of any length.
    void MakeHmac(const Bytes& keyBytes, Hash& hash) {
        Key key;
        Import(context.get(), CALG_RC2, keyBytes, CRYPT_IPSEC_HMAC_KEY, key);
        ASSERT_TRUE(CryptCreateHash(context.get(), CALG_HMAC, key.get(), 0, hash.put())) << std::hex << LastError();
        // The key is destroyed on return, before any data goes in: the hash holds its own copy.
        SetHmacSha1(hash.get());
    }
};

// FIPS 180 examples (also: python3 -c 'import hashlib; print(hashlib.sha1(b"a" * 1000000).hexdigest())').
TEST_F(HashTest, Sha1GivesTheKnownDigestsWhateverTheSplitOfItsInput) {
    struct Case {
        std::string data;
        std::size_t piece;  // bytes per CryptHashData call
        const char* digest;
    } cases[] = {
        {"", 1, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", 3, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abc", 1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 7, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), 1920, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data.substr(0, 20));
        Hash hash;
        ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, hash.put()));
        for (std::size_t at = 0; at < c.data.size(); at += c.piece) {
            const std::size_t n = std::min(c.piece, c.data.size() - at);
            ASSERT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(c.data.data() + at), static_cast<DWORD>(n), 0));
        }
        EXPECT_EQ(HashValue(hash.get()), c.digest);
    }
}

// RFC 2202, section 3 (test cases 1 to 7 for HMAC-SHA1).
TEST_F(HashTest, HmacSha1GivesTheRfc2202Values) {
    Bytes key4;
    for (int i = 1; i <= 25; ++i) key4.push_back(static_cast<std::uint8_t>(i));
    struct Case {
        Bytes key;
        Bytes data;
        const char* mac;
    } cases[] = {
        {Bytes(20, 0x0b), BytesOf("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
        {BytesOf("Jefe"), BytesOf("what do ya want for nothing?"), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {Bytes(20, 0xaa), Bytes(50, 0xdd), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {key4, Bytes(50, 0xcd), "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {Bytes(20, 0x0c), BytesOf("Test With Truncation"), "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {Bytes(80, 0xaa), BytesOf("Test Using Larger Than Block-Size Key - Hash Key First"),
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {Bytes(80, 0xaa), BytesOf("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(++number);
        Hash hash;
        MakeHmac(c.key, hash);
        // In two pieces, so that the MAC runs on across calls.
        const DWORD half = static_cast<DWORD>(c.data.size() / 2);
        ASSERT_TRUE(CryptHashData(hash.get(), c.data.data(), half, 0));
        ASSERT_TRUE(CryptHashData(hash.get(), c.data.data() + half, static_cast<DWORD>(c.data.size()) - half, 0));
        EXPECT_EQ(HashValue(hash.get()), c.mac);
    }
}

TEST_F(HashTest, ParametersFollowTheLengthRuleAndTheValueFinishesTheHash) {
    Hash hash;
    ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, hash.put()));
    const Bytes abc = BytesOf("abc");
    ASSERT_TRUE(CryptHashData(hash.get(), abc.data(), 1, 0));

    DWORD value = 0;
    DWORD size = sizeof value;
    ASSERT_TRUE(CryptGetHashParam(hash.get(), HP_ALGID, reinterpret_cast<BYTE*>(&value), &size, 0));
    EXPECT_EQ(value, static_cast<DWORD>(CALG_SHA1));
    ASSERT_TRUE(CryptGetHashParam(hash.get(), HP_HASHSIZE, reinterpret_cast<BYTE*>(&value), &size, 0));
    EXPECT_EQ(value, 20u);
    EXPECT_EQ(size, 4u);

    // A null buffer measures; a short one is refused with the size needed. Neither finishes the hash.
    size = 0;
    ASSERT_TRUE(CryptGetHashParam(hash.get(), HP_HASHVAL, nullptr, &size, 0));
    EXPECT_EQ(size, 20u);
    BYTE digest[20] = {};
    size = 19;
    SetLastError(0);
    EXPECT_FALSE(CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 20u);
    EXPECT_EQ(Hex(digest, 20), std::string(40, '0'));
    ASSERT_TRUE(CryptHashData(hash.get(), abc.data() + 1, 2, 0));

    EXPECT_EQ(HashValue(hash.get()), "a9993e364706816aba3e25717850c26c9cd0d89d");
    SetLastError(0);
    EXPECT_FALSE(CryptHashData(hash.get(), abc.data(), 3, 0));
    EXPECT_EQ(LastError(), Code(NTE_BAD_HASH_STATE));
    EXPECT_EQ(HashValue(hash.get()), "a9993e364706816aba3e25717850c26c9cd0d89d");  // readable again, unchanged

    size = 4;
    EXPECT_FALSE(CryptGetHashParam(hash.get(), HP_HMAC_INFO, digest, &size, 0));
    EXPECT_EQ(LastError(), Code(NTE_BAD_TYPE));
    EXPECT_FALSE(CryptGetHashParam(hash.get(), HP_HASHVAL, digest, nullptr, 0));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    size = 20;
    EXPECT_FALSE(CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 1));
    EXPECT_EQ(LastError(), Code(NTE_BAD_FLAGS));
}

TEST_F(HashTest, HmacIsUsableOnlyOnceItsHashIsNamed) {
    Key key;
    Import(context.get(), CALG_RC2, Bytes(16, 0x42), 0, key);
    Hash hash;
    ASSERT_TRUE(CryptCreateHash(context.get(), CALG_HMAC, key.get(), 0, hash.put()));
    const Bytes data = BytesOf("data");
    BYTE value[20];
    DWORD size = sizeof value;
    EXPECT_FALSE(CryptHashData(hash.get(), data.data(), 4, 0));
    EXPECT_EQ(LastError(), Code(NTE_BAD_HASH_STATE));
    EXPECT_FALSE(CryptGetHashParam(hash.get(), HP_HASHVAL, value, &size, 0));
    EXPECT_EQ(LastError(), Code(NTE_BAD_HASH_STATE));

    HMAC_INFO info = {};
    info.HashAlgid = 0x8003;  // CALG_MD5: not here
    EXPECT_FALSE(CryptSetHashParam(hash.get(), HP_HMAC_INFO, reinterpret_cast<BYTE*>(&info), 0));
    EXPECT_EQ(LastError(), Code(NTE_BAD_ALGID));
    BYTE pad[64] = {};
    info = {CALG_SHA1, pad, sizeof pad, nullptr, 0};
    EXPECT_FALSE(CryptSetHashParam(hash.get(), HP_HMAC_INFO, reinterpret_cast<BYTE*>(&info), 0));
    EXPECT_EQ(LastError(), Code(NTE_BAD_DATA));
    EXPECT_FALSE(CryptSetHashParam(hash.get(), HP_HMAC_INFO, nullptr, 0));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // The key goes before the hash is used: the hash holds its own copy.
    CryptDestroyKey(key.release());
    SetHmacSha1(hash.get());
    SetHmacSha1(hash.get());  // naming it again before any data is harmless
    ASSERT_TRUE(CryptHashData(hash.get(), data.data(), 4, 0));
    EXPECT_FALSE(CryptSetHashParam(hash.get(), HP_HMAC_INFO, reinterpret_cast<BYTE*>(&info), 0));
    EXPECT_EQ(LastError(), Code(NTE_BAD_HASH_STATE));
    // python3 -c 'import hmac; print(hmac.new(b"\x42" * 16, b"data", "sha1").hexdigest())'
    EXPECT_EQ(HashValue(hash.get()), "ad2b71fedf04c146b4b6642ac738918db10ec1d3");

    DWORD algid = 0;
    size = sizeof algid;
    ASSERT_TRUE(CryptGetHashParam(hash.get(), HP_ALGID, reinterpret_cast<BYTE*>(&algid), &size, 0));
    EXPECT_EQ(algid, static_cast<DWORD>(CALG_HMAC));
}

TEST_F(HashTest, CreateHashRefusesWhatItCannotMake) {
    Key key;
    Import(context.get(), CALG_RC2, Bytes(16, 1), 0, key);
    struct Case {
        const char* what;
        ALG_ID algid;
        HCRYPTKEY key;
        DWORD flags;
        bool out;
        DWORD error;
    } cases[] = {
        {"MD5", 0x8003, 0, 0, true, Code(NTE_BAD_ALGID)},
        {"a cipher", CALG_AES_256, 0, 0, true, Code(NTE_BAD_ALGID)},
        {"SHA-1 with a key", CALG_SHA1, key.get(), 0, true, Code(NTE_BAD_KEY)},
        {"HMAC without a key", CALG_HMAC, 0, 0, true, Code(NTE_BAD_KEY)},
        {"flags", CALG_SHA1, 0, 1, true, Code(NTE_BAD_FLAGS)},
        {"no slot", CALG_SHA1, 0, 0, false, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HCRYPTHASH hash = 0;
        SetLastError(0);
        EXPECT_FALSE(CryptCreateHash(context.get(), c.algid, c.key, c.flags, c.out ? &hash : nullptr));
        EXPECT_EQ(LastError(), c.error) << std::hex << LastError();
        EXPECT_EQ(hash, 0u);
    }
}

}  // namespace
