#pragma once
// The caller's side of the cryptographic layer in tests: slots that are released in the callers'
// order when the test ends, and the known answers of two key and token texts.
#include "crypt_test_support.h"
#include "platform/crypt_objects.h"

namespace qlmcryptotest {

using namespace crypttest;

struct CipherSlots {
    HCRYPTPROV context = 0;
    HCRYPTKEY key = 0;
    ~CipherSlots() {
        if (key != 0) CryptDestroyKey(key);
        if (context != 0) CryptReleaseContext(context, 0);
    }
};

struct IntegritySlots {
    HCRYPTPROV context = 0;
    HCRYPTKEY key = 0;
    HCRYPTHASH hash = 0;
    ~IntegritySlots() {
        if (hash != 0) CryptDestroyHash(hash);
        if (key != 0) CryptDestroyKey(key);
        if (context != 0) CryptReleaseContext(context, 0);
    }
};

// For each key text K and token text T:
//   python3 -c '
//   import base64, hashlib as h, hmac, sys
//   k, t = sys.argv[1:]; d = h.sha1(base64.b64decode(k)).digest()
//   x = lambda c: bytes(a ^ b for a, b in zip(bytes([c]) * 64, d + bytes(44)))
//   print((h.sha1(x(0x36)).digest() + h.sha1(x(0x5c)).digest())[:32].hex(), h.sha1(t.encode()).digest()[:16].hex(),
//         d[:16].hex(), hmac.new(d[:16], b"integrity check", h.sha1).hexdigest())' K T
// The second key text is base64(sha256("Quillmarsh second key")):
//   python3 -c 'import base64, hashlib; print(base64.b64encode(hashlib.sha256(b"Quillmarsh second key").digest()).decode())'
struct KnownKeys {
    const char* keyText;
    const char* tokenText;
    const char* cipherKey;
    const char* iv;
    const char* integrityKey;
    const char* integrityCheckMac;  // HMAC-SHA1 of "integrity check" under the integrity key
};

inline constexpr KnownKeys kKnownKeys[] = {
    {"AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=", "EBESExQVFhcYGRobHB0eHw==",
     "076287edfad75027c3cdf0c7c6be7cc270df2cbac4a7af530eeff3cc475024ab", "3141c350f285036e34e39d486bbef6b8",
     "ae5bd8efea5322c4d9986d06680a7813", "6d28a7317f7a7c080f3d6453e755f7ca978bd0ac"},
    {"XhKBMg35G9ClLOsEHBGn7c7R8PyFXzaFqzbkYCBzhek=", "c2Vjb25kIHRva2VuIHRleHQ=",
     "c775df996d1475421c2611ca02e93441333f49a9bca42fcd575bfc8d48610da3", "59ac64e29ffd717117c81cf291f287f2",
     "0db8e09f45cc9f005629efe9c8380560", "f20f48a075eb5813e13ecf4d6a31c90e526d3d91"},
};

inline std::string ExportedKey(HCRYPTKEY key) {
    BYTE blob[64];
    DWORD size = sizeof blob;
    EXPECT_TRUE(CryptExportKey(key, 0, PLAINTEXTKEYBLOB, 0, blob, &size)) << std::hex << GetLastError();
    return size > 12 ? Hex(blob + 12, size - 12) : std::string();
}

inline std::string KeyIv(HCRYPTKEY key) {
    BYTE iv[16];
    DWORD size = sizeof iv;
    EXPECT_TRUE(CryptGetKeyParam(key, KP_IV, iv, &size, 0)) << std::hex << GetLastError();
    return Hex(iv, size);
}

inline std::string MacOf(HCRYPTHASH hash, std::string_view data) {
    EXPECT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0));
    return HashValue(hash);
}

inline std::string ProviderName(HCRYPTPROV context) {
    char name[100] = {};
    DWORD size = sizeof name;
    EXPECT_TRUE(CryptGetProvParam(context, PP_NAME, reinterpret_cast<BYTE*>(name), &size, 0));
    return name;
}

inline platform::crypt::LiveObjects Live() { return platform::crypt::CountLiveObjects(); }

}  // namespace qlmcryptotest
