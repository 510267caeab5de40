// CryptEncrypt and CryptDecrypt: AES-CBC with PKCS#5 padding whose chain runs on across calls.
#include "crypt_test_support.h"

namespace {

using namespace crypttest;

constexpr DWORD kBuffer = 2048;
constexpr DWORD kChunk = 1920;

// i % 251 for i = 0, 1, ...: easy to make again on the command line.
Bytes Counting(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i % 251);
    return b;
}

class CipherTest : public testing::Test {
protected:
    Context context{MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES};
    Key key;
    const Bytes iv = FromHex("f0e0d0c0b0a090807060504030201000");

    void SetUp() override {
        Import(context.get(), CALG_AES_256, FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"), 0,
               key);
        SetIv(key.get(), iv);
    }

    // Runs `input` through one work buffer in calls of the given sizes; the last call is final.
    // Sizes that run past the end are cut; a missing rest goes into the final call.
    Bytes Run(bool encrypt, const Bytes& input, const std::vector<DWORD>& calls) {
        Bytes out;
        std::size_t at = 0;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const bool final = i + 1 == calls.size();
            DWORD size = final ? static_cast<DWORD>(input.size() - at)
                               : std::min<DWORD>(calls[i], static_cast<DWORD>(input.size() - at));
            std::vector<BYTE> buffer(kBuffer + 16, 0);
            std::memcpy(buffer.data(), input.data() + at, size);
            at += size;
            const BOOL ok = encrypt ? CryptEncrypt(key.get(), 0, final, 0, buffer.data(), &size, kBuffer)
                                    : CryptDecrypt(key.get(), 0, final, 0, buffer.data(), &size);
            EXPECT_TRUE(ok) << "call " << i << ", error " << std::hex << LastError();
            if (!ok) return {};
            out.insert(out.end(), buffer.begin(), buffer.begin() + size);
        }
        return out;
    }

    // The streaming rule: passes of up to 1920 bytes; the pass that reads fewer is the final one.
    Bytes Stream(bool encrypt, const Bytes& input) {
        std::vector<DWORD> calls(input.size() / kChunk + 1, kChunk);
        return Run(encrypt, input, calls);
    }
};

// python3 -c "import sys; sys.stdout.buffer.write(bytes(i % 251 for i in range(5000)))" |
//   openssl enc -aes-256-cbc -K 000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f
//   -iv f0e0d0c0b0a090807060504030201000 > ct.bin
// sha1sum ct.bin; head -c 16 ct.bin | xxd -p; tail -c 16 ct.bin | xxd -p
TEST_F(CipherTest, PassesOf1920BytesGiveWhatOpensslEncGives) {
    const Bytes plain = Counting(5000);
    const Bytes cipher = Stream(true, plain);
    ASSERT_EQ(cipher.size(), 5008u);
    EXPECT_EQ(Sha1Hex(context.get(), cipher), "0cfc5c56f3fa2381453c0ce248eb1ad3167545d6");
    EXPECT_EQ(Hex(cipher.data(), 16), "0e9f381975fa41a5ecc557e341b05a09");
    EXPECT_EQ(Hex(cipher.data() + 5008 - 16, 16), "a0dbbe365c4ee7edd4ade1a35e030bf1");
    EXPECT_EQ(Stream(false, cipher), plain);
}

TEST_F(CipherTest, HowTheDataIsSplitIntoCallsChangesNothing) {
    const Bytes plain = Counting(1607);  // 100 whole blocks and 7 bytes
    const Bytes reference = Run(true, plain, {0});
    ASSERT_EQ(reference.size(), 1616u);
    const std::vector<std::vector<DWORD>> encryptSplits = {
        {16, 0},                          // one block, then the rest
        {0, 0, 800, 0, 0},                // calls of no data between the others
        {1600, 0},                        // every whole block, then a final call with the tail
        std::vector<DWORD>(101, 16),      // block by block
    };
    for (const auto& split : encryptSplits) EXPECT_EQ(Run(true, plain, split), reference) << split.size() << " calls";

    const std::vector<std::vector<DWORD>> decryptSplits = {
        {0},                          // all at once
        {1616, 0},                    // everything, then a final call of no data
        {16, 16, 0},                  // small calls first
        {1600, 0},                    // the pad block alone in the final call
        {0, 32, 0, 1584, 0},          // calls of no data between the others
        std::vector<DWORD>(102, 16),  // block by block, final call of no data
    };
    for (const auto& split : decryptSplits) EXPECT_EQ(Run(false, reference, split), plain) << split.size() << " calls";
}

// A call that is not final returns the block held back before (if any) and all of its own blocks but
// the last; the final call returns the held block and its own, less the pad, and writes no more.
TEST_F(CipherTest, DecryptionHoldsBackTheLastBlockOfACallThatIsNotFinal) {
    const Bytes plain = Counting(40);
    const Bytes cipher = Run(true, plain, {0});
    ASSERT_EQ(cipher.size(), 48u);

    BYTE buffer[64];
    std::memcpy(buffer, cipher.data(), 32);
    DWORD size = 32;
    ASSERT_TRUE(CryptDecrypt(key.get(), 0, FALSE, 0, buffer, &size));
    ASSERT_EQ(size, 16u);
    EXPECT_EQ(Bytes(buffer, buffer + 16), Bytes(plain.begin(), plain.begin() + 16));
    std::memcpy(buffer, cipher.data() + 32, 16);
    std::memset(buffer + 16, 0xEE, sizeof buffer - 16);
    size = 16;
    ASSERT_TRUE(CryptDecrypt(key.get(), 0, TRUE, 0, buffer, &size));
    ASSERT_EQ(size, 24u);  // the held block and 8 bytes of the last one
    EXPECT_EQ(Bytes(buffer, buffer + 24), Bytes(plain.begin() + 16, plain.end()));
    EXPECT_EQ(buffer[24], 0xEE);

    // Everything in one call that is not final, then a final call of no data.
    std::memcpy(buffer, cipher.data(), 48);
    size = 48;
    ASSERT_TRUE(CryptDecrypt(key.get(), 0, FALSE, 0, buffer, &size));
    ASSERT_EQ(size, 32u);
    EXPECT_EQ(Bytes(buffer, buffer + 32), Bytes(plain.begin(), plain.begin() + 32));
    std::memset(buffer, 0xEE, sizeof buffer);
    size = 0;
    ASSERT_TRUE(CryptDecrypt(key.get(), 0, TRUE, 0, buffer, &size));
    ASSERT_EQ(size, 8u);
    EXPECT_EQ(Bytes(buffer, buffer + 8), Bytes(plain.begin() + 32, plain.end()));
    EXPECT_EQ(buffer[8], 0xEE);
}

TEST_F(CipherTest, EncryptionRefusesAResultThatDoesNotFitAndChangesNothing) {
    const Bytes plain = Counting(52);
    const Bytes reference = Run(true, plain, {0});

    BYTE buffer[64];
    std::memcpy(buffer, plain.data(), 32);
    DWORD size = 32;
    ASSERT_TRUE(CryptEncrypt(key.get(), 0, FALSE, 0, buffer, &size, 32));
    Bytes cipher(buffer, buffer + 32);

    // The final 20 bytes need 32: a buffer of 31 is refused with the size needed.
    std::memset(buffer, 0, sizeof buffer);
    std::memcpy(buffer, plain.data() + 32, 20);
    size = 20;
    SetLastError(0);
    EXPECT_FALSE(CryptEncrypt(key.get(), 0, TRUE, 0, buffer, &size, 31));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(Bytes(buffer, buffer + 20), Bytes(plain.begin() + 32, plain.end()));
    EXPECT_EQ(buffer[20], 0);
    // Measuring says the same and changes nothing either.
    size = 20;
    EXPECT_TRUE(CryptEncrypt(key.get(), 0, TRUE, 0, nullptr, &size, 0));
    EXPECT_EQ(size, 32u);

    size = 20;
    ASSERT_TRUE(CryptEncrypt(key.get(), 0, TRUE, 0, buffer, &size, 32));
    ASSERT_EQ(size, 32u);
    cipher.insert(cipher.end(), buffer, buffer + 32);
    EXPECT_EQ(cipher, reference);

    // A call that is not final needs room for its own data.
    size = 32;
    EXPECT_FALSE(CryptEncrypt(key.get(), 0, FALSE, 0, buffer, &size, 16));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 32u);
}

TEST_F(CipherTest, LengthsThatAreNotWholeBlocksAndBrokenPadsAreBadData) {
    BYTE buffer[64] = {};
    struct Case {
        const char* what;
        bool encrypt;
        BOOL final;
        DWORD size;
    } cases[] = {
        {"encrypting 15 bytes, not final", true, FALSE, 15},
        {"decrypting 15 bytes, not final", false, FALSE, 15},
        {"decrypting 17 bytes, final", false, TRUE, 17},
        {"decrypting nothing, final, nothing held", false, TRUE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD size = c.size;
        SetLastError(0);
        EXPECT_FALSE(c.encrypt ? CryptEncrypt(key.get(), 0, c.final, 0, buffer, &size, sizeof buffer)
                               : CryptDecrypt(key.get(), 0, c.final, 0, buffer, &size));
        EXPECT_EQ(LastError(), Code(NTE_BAD_DATA));
        EXPECT_EQ(size, c.size);
    }

    // Last plaintext blocks whose pad is broken, encrypted as plain blocks.
    const Bytes plain = Counting(16);
    const std::vector<Bytes> brokenEnds = {
        FromHex("00"),                            // pad of 0
        FromHex("11"),                            // pad of 17
        FromHex("040303"),                        // pad of 3 over a byte that is not 3
        FromHex("0f0f0f0f0f0f0f0f0f0f0f0f0f0e0f"),  // pad of 15, one byte off
    };
    for (const Bytes& end : brokenEnds) {
        SCOPED_TRACE(Hex(end));
        Bytes last = Counting(16);
        std::copy(end.begin(), end.end(), last.end() - static_cast<std::ptrdiff_t>(end.size()));
        Bytes blocks = plain;
        blocks.insert(blocks.end(), last.begin(), last.end());
        const Bytes cipher = Run(true, blocks, {32, 0});  // the final call adds a whole pad block ...
        ASSERT_EQ(cipher.size(), 48u);
        std::memcpy(buffer, cipher.data(), 32);  // ... which the decryption never sees
        DWORD size = 32;
        SetLastError(0);
        EXPECT_FALSE(CryptDecrypt(key.get(), 0, TRUE, 0, buffer, &size));
        EXPECT_EQ(LastError(), Code(NTE_BAD_DATA));
        EXPECT_EQ(size, 32u);
        EXPECT_EQ(Bytes(buffer, buffer + 32), Bytes(32, 0));  // no unchecked plaintext left behind
        // The chain started afresh: the whole message decrypts.
        EXPECT_EQ(Run(false, cipher, {0}), blocks);
    }
}

TEST_F(CipherTest, EveryFinalCallAndEveryNewIvRestartTheChain) {
    const Bytes plain = Counting(100);
    const Bytes first = Run(true, plain, {0});
    EXPECT_EQ(Run(true, plain, {48, 0}), first);
    // Half a message, then the IV again: the next message starts from it.
    BYTE buffer[32] = {};
    DWORD size = 32;
    ASSERT_TRUE(CryptEncrypt(key.get(), 0, FALSE, 0, buffer, &size, sizeof buffer));
    SetIv(key.get(), iv);
    EXPECT_EQ(Run(true, plain, {0}), first);
    // Half a decryption, then an encryption: the key starts that afresh too.
    std::memcpy(buffer, first.data(), 32);
    size = 32;
    ASSERT_TRUE(CryptDecrypt(key.get(), 0, FALSE, 0, buffer, &size));
    EXPECT_EQ(Run(true, plain, {0}), first);
    // A new IV gives another ciphertext.
    SetIv(key.get(), Bytes(16, 0));
    EXPECT_NE(Run(true, plain, {0}), first);
}

TEST_F(CipherTest, AHashArgumentTakesThePlaintext) {
    const Bytes plain = Counting(3000);
    Hash onEncrypt;
    ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, onEncrypt.put()));
    std::vector<BYTE> buffer(3016);
    std::memcpy(buffer.data(), plain.data(), plain.size());
    DWORD size = 3000;
    ASSERT_TRUE(CryptEncrypt(key.get(), onEncrypt.get(), TRUE, 0, buffer.data(), &size, 3016));
    ASSERT_EQ(size, 3008u);
    const std::string expected = Sha1Hex(context.get(), plain);
    EXPECT_EQ(HashValue(onEncrypt.get()), expected);

    Hash onDecrypt;
    ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, onDecrypt.put()));
    size = 1920;
    ASSERT_TRUE(CryptDecrypt(key.get(), onDecrypt.get(), FALSE, 0, buffer.data(), &size));
    size = 3008 - 1920;
    ASSERT_TRUE(CryptDecrypt(key.get(), onDecrypt.get(), TRUE, 0, buffer.data() + 1920, &size));
    EXPECT_EQ(HashValue(onDecrypt.get()), expected);

    // A finished hash takes no more.
    size = 16;
    EXPECT_FALSE(CryptEncrypt(key.get(), onEncrypt.get(), FALSE, 0, buffer.data(), &size, 16));
    EXPECT_EQ(LastError(), Code(NTE_BAD_HASH_STATE));
}

TEST_F(CipherTest, Rc2KeysAndBadArgumentsAreRefused) {
    Key rc2;
    Import(context.get(), CALG_RC2, Bytes(16, 1), 0, rc2);
    BYTE buffer[32] = {};
    DWORD size = 16;
    EXPECT_FALSE(CryptEncrypt(rc2.get(), 0, TRUE, 0, buffer, &size, sizeof buffer));
    EXPECT_EQ(LastError(), Code(NTE_BAD_ALGID));
    EXPECT_FALSE(CryptDecrypt(rc2.get(), 0, TRUE, 0, buffer, &size));
    EXPECT_EQ(LastError(), Code(NTE_BAD_ALGID));
    EXPECT_FALSE(CryptEncrypt(key.get(), 0, TRUE, 0x40 /* CRYPT_OAEP */, buffer, &size, sizeof buffer));
    EXPECT_EQ(LastError(), Code(NTE_BAD_FLAGS));
    EXPECT_FALSE(CryptDecrypt(key.get(), 0, TRUE, 0, buffer, nullptr));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    size = 16;
    EXPECT_FALSE(CryptDecrypt(key.get(), 0, FALSE, 0, nullptr, &size));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // A final result past 4 GiB cannot be described by a DWORD.
    size = 0xFFFFFFF5u;
    EXPECT_FALSE(CryptEncrypt(key.get(), 0, TRUE, 0, nullptr, &size, 0));
    EXPECT_EQ(LastError(), Code(NTE_BAD_LEN));
}

}  // namespace
