// CreateCipherKey and GetCipherBlockLength.
#include <string>
#include <vector>

#include "CipherKey.h"
#include "Status.h"
#include "crypto_test_support.h"
#include "platform/fault_injection.h"
#include "platform/version.h"

namespace {

using namespace qlmcryptotest;
using qlmfile::CreateCipherKey;

TEST(CreateCipherKey, GivesTheKnownKeyAndIvWithCbcAndPkcs5) {
    for (const KnownKeys& known : kKnownKeys) {
        SCOPED_TRACE(known.keyText);
        CipherSlots slots;
        ASSERT_EQ(CreateCipherKey(&slots.context, &slots.key, known.keyText, known.tokenText), S_OK);
        EXPECT_EQ(ExportedKey(slots.key), known.cipherKey);
        EXPECT_EQ(KeyIv(slots.key), known.iv);
        EXPECT_EQ(KeyDword(slots.key, KP_ALGID), static_cast<DWORD>(CALG_AES_256));
        EXPECT_EQ(KeyDword(slots.key, KP_MODE), static_cast<DWORD>(CRYPT_MODE_CBC));
        EXPECT_EQ(KeyDword(slots.key, KP_PADDING), static_cast<DWORD>(PKCS5_PADDING));
    }
}

TEST(CreateCipherKey, KeyTextFormattingDoesNotMatterButTheTokenTextDoes) {
    const KnownKeys& known = kKnownKeys[0];
    CipherSlots slots;
    ASSERT_EQ(CreateCipherKey(&slots.context, &slots.key, "AAECAwQFBgcICQoLDA0ODxAR\r\nEhMUFRYXGB kaGxwdHh8", known.tokenText),
              S_OK);
    EXPECT_EQ(ExportedKey(slots.key), known.cipherKey);

    // The same token with a line break: the IV is the digest of the text as it is.
    // python3 -c 'import hashlib; print(hashlib.sha1(b"EBESExQVFhcYGRob\r\nHB0eHw==").hexdigest()[:32])'
    CipherSlots broken;
    ASSERT_EQ(CreateCipherKey(&broken.context, &broken.key, known.keyText, "EBESExQVFhcYGRob\r\nHB0eHw=="), S_OK);
    EXPECT_EQ(KeyIv(broken.key), "73857b568cd81732538c357b95d8bc53");
    EXPECT_EQ(ExportedKey(broken.key), known.cipherKey);
}

// Windows XP (5.1) knows the AES provider only by its "(Prototype)" name.
TEST(CreateCipherKey, ChoosesTheProviderNameByTheReportedVersion) {
    struct Case {
        DWORD major;
        DWORD minor;
        const char* provider;
    } cases[] = {
        {5, 1, "Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)"},
        {5, 0, "Microsoft Enhanced RSA and AES Cryptographic Provider"},
        {5, 2, "Microsoft Enhanced RSA and AES Cryptographic Provider"},
        {6, 1, "Microsoft Enhanced RSA and AES Cryptographic Provider"},
        {10, 0, "Microsoft Enhanced RSA and AES Cryptographic Provider"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
        platform::SetReportedVersion({c.major, c.minor, 2600, 3});
        CipherSlots slots;
        const HRESULT status = CreateCipherKey(&slots.context, &slots.key, kKnownKeys[0].keyText, kKnownKeys[0].tokenText);
        platform::ResetReportedVersion();
        ASSERT_EQ(status, S_OK);
        EXPECT_EQ(ProviderName(slots.context), c.provider);
        EXPECT_EQ(ExportedKey(slots.key), kKnownKeys[0].cipherKey);  // the same key under either name
    }
}

TEST(CreateCipherKey, AnEmptyKeyTextFailsBeforeAnythingIsAcquired) {
    const auto before = Live();
    CipherSlots slots;
    EXPECT_EQ(CreateCipherKey(&slots.context, &slots.key, "", kKnownKeys[0].tokenText), qlmfile::QLM_E_EMPTY_KEY);
    EXPECT_EQ(slots.context, 0u);
    EXPECT_EQ(slots.key, 0u);
    EXPECT_EQ(Live(), before);
}

// The platform calls that CreateCipherKey makes, directly or through HashTextSha1.
const char* const kCipherKeyCalls[] = {
    "GetVersionExW",  "CryptAcquireContextW", "MultiByteToWideChar", "WideCharToMultiByte",
    "CryptCreateHash", "CryptHashData",       "CryptGetHashParam",   "CryptDeriveKey",
    "CryptSetKeyParam", "CryptDestroyHash",   "CryptReleaseContext",
};

// Each call of each of them fails in turn. A failing step ends the operation with its folded last
// error; what was stored in the caller's slots stays there (and is valid), nothing else is left
// alive. A failing clean-up call changes no status; the object it failed to free is all that stays.
TEST(CreateCipherKey, AFailureInAnyPlatformCallLeavesOnlyTheCallersHandles) {
    const KnownKeys& known = kKnownKeys[0];
    std::vector<std::pair<std::string, unsigned>> calls;
    {
        CipherSlots slots;
        platform::fault::StartCounting();
        const HRESULT status = CreateCipherKey(&slots.context, &slots.key, known.keyText, known.tokenText);
        platform::fault::StopCounting();
        ASSERT_EQ(status, S_OK);
        for (const char* point : kCipherKeyCalls) calls.emplace_back(point, platform::fault::Count(point));
    }

    const HRESULT injected = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);
    int runs = 0;
    for (const auto& [point, count] : calls) {
        EXPECT_GT(count, 0u) << point << " is never called";
        for (unsigned nth = 1; nth <= count; ++nth) {
            SCOPED_TRACE(testing::Message() << point << " #" << nth);
            ++runs;
            const auto before = Live();
            CipherSlots slots;
            HRESULT status;
            {
                platform::fault::Scoped fault(point, ERROR_GEN_FAILURE, nth);
                status = CreateCipherKey(&slots.context, &slots.key, known.keyText, known.tokenText);
            }
            auto expected = before;
            expected.contexts += slots.context != 0 ? 1 : 0;
            expected.keys += slots.key != 0 ? 1 : 0;
            if (point == "CryptDestroyHash") {
                EXPECT_EQ(status, S_OK);
                ++expected.hashes;
            } else if (point == "CryptReleaseContext") {
                EXPECT_EQ(status, S_OK);
                ++expected.contexts;
            } else {
                EXPECT_EQ(status, injected);
            }
            EXPECT_EQ(Live(), expected);
            if (slots.context != 0) {
                EXPECT_FALSE(ProviderName(slots.context).empty());
            }
            if (slots.key != 0) {
                EXPECT_EQ(ExportedKey(slots.key), known.cipherKey);
            }
        }
    }
    EXPECT_GE(runs, 15);
    // A step that fails before the acquisition leaves both slots empty; one after the key was stored
    // leaves both filled. Shown for the two ends:
    for (const auto& [point, slotsFilled] : {std::pair{"GetVersionExW", 0}, std::pair{"CryptSetKeyParam", 2}}) {
        CipherSlots slots;
        platform::fault::Scoped fault(point, ERROR_GEN_FAILURE);
        EXPECT_EQ(CreateCipherKey(&slots.context, &slots.key, known.keyText, known.tokenText), injected);
        EXPECT_EQ((slots.context != 0) + (slots.key != 0), slotsFilled) << point;
    }
}

// A call that reports failure with last error 0 gives status 0, and the operation goes on.
TEST(CreateCipherKey, AFailureWithLastErrorZeroGoesOn) {
    const KnownKeys& known = kKnownKeys[0];
    struct Case {
        const char* point;
        unsigned nth;
        HRESULT status;
        const char* iv;  // when a key is handed out
    } cases[] = {
        // The version stays unknown: the plain provider name, everything else as usual.
        {"GetVersionExW", 1, S_OK, known.iv},
        // KP_IV "failed": the key keeps its IV of zeros.
        {"CryptSetKeyParam", 1, S_OK, "00000000000000000000000000000000"},
        {"CryptSetKeyParam", 3, S_OK, known.iv},
        // HP_HASHVAL "failed": the digest length stays at the buffer's 32.
        {"CryptGetHashParam", 1, qlmfile::QLM_E_IV_DIGEST, nullptr},
        // No cipher context: hashing on context 0 fails for real.
        {"CryptAcquireContextW", 1, HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE), nullptr},
        // No key: setting its IV fails for real.
        {"CryptDeriveKey", 1, NTE_BAD_KEY, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.point << " #" << c.nth);
        CipherSlots slots;
        HRESULT status;
        {
            platform::fault::Scoped fault(c.point, 0, c.nth);
            status = CreateCipherKey(&slots.context, &slots.key, known.keyText, known.tokenText);
        }
        EXPECT_EQ(status, c.status) << std::hex << status;
        if (c.iv != nullptr) {
            ASSERT_NE(slots.key, 0u);
            EXPECT_EQ(KeyIv(slots.key), c.iv);
            EXPECT_EQ(ProviderName(slots.context), "Microsoft Enhanced RSA and AES Cryptographic Provider");
        }
    }
}

TEST(GetCipherBlockLength, ReportsBitsAndGivesTheChunkSize) {
    CipherSlots slots;
    ASSERT_EQ(CreateCipherKey(&slots.context, &slots.key, kKnownKeys[1].keyText, kKnownKeys[1].tokenText), S_OK);
    DWORD length = 0;
    ASSERT_EQ(qlmfile::GetCipherBlockLength(slots.key, &length), S_OK);
    EXPECT_EQ(length, 128u);
    EXPECT_EQ(qlmfile::ChunkSizeFor(length), 1920u);
    EXPECT_EQ(qlmfile::GetCipherBlockLength(0, &length), NTE_BAD_KEY);

    // C = 2048 - (2048 mod L) - L.
    const std::pair<DWORD, DWORD> sizes[] = {{128, 1920}, {64, 1984}, {96, 1920}, {1000, 1000}, {1024, 1024},
                                             {1025, 0},   {2048, 0},  {4096, 0},  {0, 0}};
    for (const auto& [bits, chunk] : sizes) EXPECT_EQ(qlmfile::ChunkSizeFor(bits), chunk) << bits;
}

}  // namespace
