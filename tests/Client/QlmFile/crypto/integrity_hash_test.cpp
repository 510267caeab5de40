// CreateIntegrityHash and HashTextSha1.
#include "IntegrityHash.h"
#include "Status.h"
#include "TextDigest.h"
#include "crypto_test_support.h"
#include "platform/fault_injection.h"

namespace {

using namespace qlmcryptotest;
using qlmfile::CreateIntegrityHash;

TEST(CreateIntegrityHash, KeysAnHmacSha1WithTheFirst16BytesOfTheKeyDigest) {
    for (const KnownKeys& known : kKnownKeys) {
        SCOPED_TRACE(known.keyText);
        IntegritySlots slots;
        ASSERT_EQ(CreateIntegrityHash(known.keyText, &slots.context, &slots.key, &slots.hash), S_OK);
        EXPECT_EQ(ProviderName(slots.context), "Microsoft Enhanced Cryptographic Provider v1.0");
        EXPECT_EQ(KeyDword(slots.key, KP_ALGID), static_cast<DWORD>(CALG_RC2));
        EXPECT_EQ(KeyDword(slots.key, KP_KEYLEN), 128u);
        EXPECT_EQ(MacOf(slots.hash, "integrity check"), known.integrityCheckMac);
    }
}

TEST(CreateIntegrityHash, ATextOfNoKeyBytesIsAcceptedButAnEmptyTextIsNot) {
    // "====" decodes to nothing: the key is the start of SHA-1 of no data, da39a3ee...90.
    // python3 -c 'import hashlib, hmac; print(hmac.new(hashlib.sha1(b"").digest()[:16], b"integrity check", "sha1").hexdigest())'
    IntegritySlots slots;
    ASSERT_EQ(CreateIntegrityHash("====", &slots.context, &slots.key, &slots.hash), S_OK);
    EXPECT_EQ(MacOf(slots.hash, "integrity check"), "7b454a930c0809eeeb4a17d7bc40c63ab646e239");

    const auto before = Live();
    IntegritySlots empty;
    EXPECT_EQ(CreateIntegrityHash("", &empty.context, &empty.key, &empty.hash), qlmfile::QLM_E_EMPTY_KEY);
    EXPECT_EQ(empty.context + empty.key + empty.hash, 0u);
    EXPECT_EQ(Live(), before);
}

TEST(CreateIntegrityHash, AFailureInAnyStepLeavesOnlyTheCallersHandles) {
    const KnownKeys& known = kKnownKeys[1];
    const char* const calls[] = {"CryptAcquireContextW", "CryptCreateHash", "CryptHashData", "CryptDeriveKey",
                                 "CryptSetHashParam"};
    for (const char* point : calls) {
        unsigned count = 0;
        {
            IntegritySlots slots;
            platform::fault::StartCounting();
            const HRESULT status = CreateIntegrityHash(known.keyText, &slots.context, &slots.key, &slots.hash);
            platform::fault::StopCounting();
            ASSERT_EQ(status, S_OK);
            count = platform::fault::Count(point);
        }
        ASSERT_GT(count, 0u) << point;
        for (unsigned nth = 1; nth <= count; ++nth) {
            SCOPED_TRACE(testing::Message() << point << " #" << nth);
            const auto before = Live();
            IntegritySlots slots;
            HRESULT status;
            {
                platform::fault::Scoped fault(point, ERROR_GEN_FAILURE, nth);
                status = CreateIntegrityHash(known.keyText, &slots.context, &slots.key, &slots.hash);
            }
            EXPECT_EQ(status, HRESULT_FROM_WIN32(ERROR_GEN_FAILURE));
            auto expected = before;
            expected.contexts += slots.context != 0 ? 1 : 0;
            expected.keys += slots.key != 0 ? 1 : 0;
            expected.hashes += slots.hash != 0 ? 1 : 0;
            EXPECT_EQ(Live(), expected);
        }
    }
    // The HMAC info fails last: all three handles are the caller's by then.
    IntegritySlots slots;
    platform::fault::Scoped fault("CryptSetHashParam", ERROR_GEN_FAILURE);
    EXPECT_EQ(CreateIntegrityHash(known.keyText, &slots.context, &slots.key, &slots.hash),
              HRESULT_FROM_WIN32(ERROR_GEN_FAILURE));
    EXPECT_NE(slots.context, 0u);
    EXPECT_NE(slots.key, 0u);
    EXPECT_NE(slots.hash, 0u);
}

TEST(HashTextSha1, DigestsTheTextsAnsiBytesOnAContextOfItsOwn) {
    // python3 -c 'import hashlib; print(hashlib.sha1("é and ü".encode()).hexdigest())'
    const std::pair<std::u16string, const char*> cases[] = {
        {u"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {u"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {u"\u00e9 and \u00fc", "ed3ec5b4baa333d51400cfb8142103859728a891"},
    };
    for (const auto& [text, digest] : cases) {
        const auto before = Live();
        BYTE buffer[32] = {};
        DWORD length = sizeof buffer;
        ASSERT_EQ(qlmfile::HashTextSha1(text.c_str(), buffer, &length), S_OK);
        EXPECT_EQ(length, 20u);
        EXPECT_EQ(Hex(buffer, length), digest);
        EXPECT_EQ(Live(), before);
    }
    // Too small a buffer: the provider's ERROR_MORE_DATA, folded, with the size needed.
    BYTE small[16];
    DWORD length = sizeof small;
    EXPECT_EQ(qlmfile::HashTextSha1(u"abc", small, &length), HRESULT_FROM_WIN32(ERROR_MORE_DATA));
    EXPECT_EQ(length, 20u);
    // A text the code page cannot take: an unpaired surrogate.
    const char16_t unpaired[] = {u'a', 0xD800, u'b', 0};
    length = 32;
    BYTE buffer[32];
    EXPECT_EQ(qlmfile::HashTextSha1(unpaired, buffer, &length), HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION));
}

}  // namespace
