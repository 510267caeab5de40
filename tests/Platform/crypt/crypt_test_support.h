#pragma once
// Small helpers for the CryptoAPI tests: handles that release themselves, hex, plaintext key import.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "wincrypt.h"
#include "windows.h"

namespace crypttest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(std::string_view hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

inline std::string Hex(const std::uint8_t* data, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < size; ++i) {
        s.push_back(digits[data[i] >> 4]);
        s.push_back(digits[data[i] & 15]);
    }
    return s;
}
inline std::string Hex(const Bytes& b) { return Hex(b.data(), b.size()); }

inline Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline DWORD LastError() { return GetLastError(); }
inline DWORD Code(HRESULT hr) { return static_cast<DWORD>(hr); }

class Context {
public:
    Context() = default;
    Context(LPCWSTR name, DWORD type) {
        EXPECT_TRUE(CryptAcquireContextW(&h_, nullptr, name, type, CRYPT_VERIFYCONTEXT)) << std::hex << GetLastError();
    }
    ~Context() {
        if (h_ != 0) CryptReleaseContext(h_, 0);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    HCRYPTPROV get() const { return h_; }
    HCRYPTPROV* put() { return &h_; }

private:
    HCRYPTPROV h_ = 0;
};

// A key or hash handle, destroyed with the object.
template <BOOL(WINAPI* Destroy)(ULONG_PTR)>
class Handle {
public:
    Handle() = default;
    ~Handle() {
        if (h_ != 0) Destroy(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ULONG_PTR get() const { return h_; }
    ULONG_PTR* put() { return &h_; }
    ULONG_PTR release() {
        const ULONG_PTR h = h_;
        h_ = 0;
        return h;
    }

private:
    ULONG_PTR h_ = 0;
};
using Key = Handle<CryptDestroyKey>;
using Hash = Handle<CryptDestroyHash>;

inline Bytes PlaintextBlob(ALG_ID algid, const Bytes& key) {
    Bytes blob(sizeof(BLOBHEADER) + sizeof(DWORD));
    const BLOBHEADER header{PLAINTEXTKEYBLOB, CUR_BLOB_VERSION, 0, algid};
    const DWORD size = static_cast<DWORD>(key.size());
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, &size, sizeof size);
    blob.insert(blob.end(), key.begin(), key.end());
    return blob;
}

inline void Import(HCRYPTPROV context, ALG_ID algid, const Bytes& key, DWORD flags, Key& out) {
    const Bytes blob = PlaintextBlob(algid, key);
    ASSERT_TRUE(CryptImportKey(context, blob.data(), static_cast<DWORD>(blob.size()), 0, flags, out.put()))
        << std::hex << GetLastError();
}

// A DWORD key parameter (KP_ALGID, KP_BLOCKLEN, KP_KEYLEN, KP_MODE, KP_PADDING).
inline DWORD KeyDword(HCRYPTKEY key, DWORD param) {
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_TRUE(CryptGetKeyParam(key, param, reinterpret_cast<BYTE*>(&value), &size, 0)) << std::hex << GetLastError();
    EXPECT_EQ(size, 4u);
    return value;
}

inline void SetIv(HCRYPTKEY key, const Bytes& iv) { ASSERT_TRUE(CryptSetKeyParam(key, KP_IV, iv.data(), 0)); }

// The value of a SHA-1 or HMAC hash object.
inline std::string HashValue(HCRYPTHASH hash) {
    BYTE value[20];
    DWORD size = sizeof value;
    EXPECT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, value, &size, 0)) << std::hex << GetLastError();
    EXPECT_EQ(size, 20u);
    return Hex(value, size);
}

inline std::string Sha1Hex(HCRYPTPROV context, const Bytes& data) {
    Hash hash;
    EXPECT_TRUE(CryptCreateHash(context, CALG_SHA1, 0, 0, hash.put()));
    EXPECT_TRUE(CryptHashData(hash.get(), data.data(), static_cast<DWORD>(data.size()), 0));
    return HashValue(hash.get());
}

inline void SetHmacSha1(HCRYPTHASH hash) {
    HMAC_INFO info = {};
    info.HashAlgid = CALG_SHA1;
    ASSERT_TRUE(CryptSetHashParam(hash, HP_HMAC_INFO, reinterpret_cast<const BYTE*>(&info), 0))
        << std::hex << GetLastError();
}

}  // namespace crypttest
