// The streaming rule that lock and unlock share: chunks of C bytes through one 2048-byte buffer,
// the CBC chain running across passes, the pad added and removed only by the final pass.
#include <vector>

#include "CipherKey.h"
#include "IntegrityHash.h"
#include "crypto_test_support.h"
#include "temp_dir.h"

namespace {

using namespace qlmcryptotest;

struct Streamed {
    std::vector<BYTE> data;
    std::vector<DWORD> passes;  // bytes read by each pass
    std::string integrityValue;
};

// Lock's loop: read up to C bytes, encrypt in place (final when fewer than C were read), then hash
// the ciphertext. Unlock's loop: hash the ciphertext first, then decrypt in place.
Streamed RunPasses(bool lock, const std::vector<BYTE>& input, const KnownKeys& known) {
    CipherSlots cipher;
    IntegritySlots integrity;
    EXPECT_EQ(qlmfile::CreateCipherKey(&cipher.context, &cipher.key, known.keyText, known.tokenText), S_OK);
    EXPECT_EQ(qlmfile::CreateIntegrityHash(known.keyText, &integrity.context, &integrity.key, &integrity.hash), S_OK);
    DWORD blockLength = 0;
    EXPECT_EQ(qlmfile::GetCipherBlockLength(cipher.key, &blockLength), S_OK);
    const DWORD chunk = qlmfile::ChunkSizeFor(blockLength);
    EXPECT_EQ(chunk, 1920u);

    Streamed out;
    BYTE buffer[qlmfile::kWorkBufferBytes];
    std::size_t at = 0;
    for (bool final = false; !final;) {
        const DWORD read = static_cast<DWORD>(std::min<std::size_t>(chunk, input.size() - at));
        if (read != 0) std::memcpy(buffer, input.data() + at, read);
        at += read;
        out.passes.push_back(read);
        final = read < chunk;
        DWORD length = read;
        if (lock) {
            EXPECT_TRUE(CryptEncrypt(cipher.key, 0, final, 0, buffer, &length, sizeof buffer)) << std::hex << GetLastError();
            EXPECT_TRUE(CryptHashData(integrity.hash, buffer, length, 0));
        } else {
            EXPECT_TRUE(CryptHashData(integrity.hash, buffer, length, 0));
            EXPECT_TRUE(CryptDecrypt(cipher.key, 0, final, 0, buffer, &length)) << std::hex << GetLastError();
        }
        out.data.insert(out.data.end(), buffer, buffer + length);
    }
    out.integrityValue = HashValue(integrity.hash);
    return out;
}

TEST(StreamingRule, EveryLengthEncryptsToWholeBlocksAndComesBackByteForByte) {
    struct Case {
        std::size_t size;
        std::vector<DWORD> lockPasses;
    } cases[] = {
        {0, {0}},
        {1, {1}},
        {15, {15}},
        {16, {16}},
        {1919, {1919}},
        {1920, {1920, 0}},  // a final pass of no data, which gives a whole pad block
        {1921, {1920, 1}},
        {3840, {1920, 1920, 0}},
    };
    int seed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const std::vector<BYTE> plain = qlmtest::PatternBytes(c.size, ++seed);
        const KnownKeys& known = kKnownKeys[seed % 2];
        const Streamed locked = RunPasses(true, plain, known);
        EXPECT_EQ(locked.passes, c.lockPasses);
        EXPECT_EQ(locked.data.size(), 16 * (c.size / 16 + 1));

        const Streamed unlocked = RunPasses(false, locked.data, known);
        EXPECT_EQ(unlocked.data, plain);
        // Both sides hash the same ciphertext.
        EXPECT_EQ(unlocked.integrityValue, locked.integrityValue);
    }
}

// The ciphertext of the passes is one CBC message, and the integrity value is the HMAC of all of it.
TEST(StreamingRule, PassesMakeOneCbcMessageAndOneIntegrityValue) {
    const KnownKeys& known = kKnownKeys[0];
    const std::vector<BYTE> plain = qlmtest::PatternBytes(4000, 7);
    const Streamed locked = RunPasses(true, plain, known);

    CipherSlots cipher;
    ASSERT_EQ(qlmfile::CreateCipherKey(&cipher.context, &cipher.key, known.keyText, known.tokenText), S_OK);
    std::vector<BYTE> whole(plain.begin(), plain.end());
    whole.resize(4016);
    DWORD length = 4000;
    ASSERT_TRUE(CryptEncrypt(cipher.key, 0, TRUE, 0, whole.data(), &length, 4016));
    EXPECT_EQ(whole, locked.data);

    IntegritySlots integrity;
    ASSERT_EQ(qlmfile::CreateIntegrityHash(known.keyText, &integrity.context, &integrity.key, &integrity.hash), S_OK);
    ASSERT_TRUE(CryptHashData(integrity.hash, whole.data(), 4016, 0));
    EXPECT_EQ(HashValue(integrity.hash), locked.integrityValue);
}

}  // namespace
