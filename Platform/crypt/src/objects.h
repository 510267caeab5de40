#pragma once
// What the handles of the CryptoAPI slice stand for. Each object owns its OpenSSL state and wipes
// its secrets when it goes.
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstring>
#include <memory>

#include "algorithms.h"
#include "wincrypt.h"

namespace platform::crypt {

enum class Kind : unsigned char { Context, Key, Hash };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    const Kind kind;
};

// Key bytes of a fixed size, wiped on destruction.
class SecretBytes {
public:
    SecretBytes() = default;
    SecretBytes(const BYTE* data, DWORD size) : bytes_(new BYTE[size == 0 ? 1 : size]), size_(size) {
        if (size != 0) std::memcpy(bytes_.get(), data, size);
    }
    ~SecretBytes() { Wipe(); }
    SecretBytes(SecretBytes&& other) noexcept : bytes_(std::move(other.bytes_)), size_(other.size_) { other.size_ = 0; }
    SecretBytes& operator=(SecretBytes&& other) noexcept {
        if (this != &other) {
            Wipe();
            bytes_ = std::move(other.bytes_);
            size_ = other.size_;
            other.size_ = 0;
        }
        return *this;
    }

    const BYTE* data() const { return bytes_.get(); }
    DWORD size() const { return size_; }

private:
    void Wipe() {
        if (bytes_) OPENSSL_cleanse(bytes_.get(), size_);
    }
    std::unique_ptr<BYTE[]> bytes_;
    DWORD size_ = 0;
};

struct Context final : Object {
    Context(const char* name, DWORD type, bool aes) : Object(Kind::Context), provName(name), provType(type), supportsAes(aes) {}
    const char* const provName;  // as registered, whatever the case the caller used
    const DWORD provType;
    const bool supportsAes;  // the AES provider; the enhanced provider has RC2 but no AES
};

struct Key final : Object {
    enum class Direction : unsigned char { None, Encrypt, Decrypt };

    Key(ALG_ID id, SecretBytes material, bool canExport)
        : Object(Kind::Key), algid(id), bytes(std::move(material)), exportable(canExport) {}
    ~Key() override {
        OPENSSL_cleanse(held, sizeof held);
        OPENSSL_cleanse(iv, sizeof iv);
        EVP_CIPHER_CTX_free(ctx);  // wipes the key schedule
    }

    bool IsAes() const { return AesKeyBytes(algid) != 0; }
    DWORD BlockBytes() const { return IsAes() ? kAesBlockBytes : kRc2BlockBytes; }

    const ALG_ID algid;
    const SecretBytes bytes;
    const bool exportable;
    BYTE iv[kAesBlockBytes] = {};  // CryptoAPI starts every key with an IV of zeros
    DWORD mode = CRYPT_MODE_CBC;
    DWORD padding = PKCS5_PADDING;

    // The running chain. `ctx` is made on first use and kept; `scheduled` says for which direction
    // its key schedule was last set up, so that restarting the chain in that direction only resets
    // the IV.
    EVP_CIPHER_CTX* ctx = nullptr;
    Direction scheduled = Direction::None;
    Direction running = Direction::None;
    bool holding = false;  // decryption: the last plaintext block of the previous call, not yet returned
    BYTE held[kAesBlockBytes] = {};
};

struct Hash final : Object {
    explicit Hash(ALG_ID id) : Object(Kind::Hash), algid(id) {}
    ~Hash() override {
        OPENSSL_cleanse(value, sizeof value);
        EVP_MD_CTX_free(md);
        EVP_MAC_CTX_free(mac);  // wipes the HMAC pads
    }

    const ALG_ID algid;
    EVP_MD_CTX* md = nullptr;    // CALG_SHA1
    EVP_MAC_CTX* mac = nullptr;  // CALG_HMAC
    SecretBytes hmacKey;
    bool ready = false;     // CALG_HMAC: once HP_HMAC_INFO has named the hash
    bool fed = false;       // data has gone in
    bool finished = false;  // the value has been taken
    BYTE value[kSha1Bytes] = {};
};

}  // namespace platform::crypt
