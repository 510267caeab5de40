#include "algorithms.h"

namespace platform::crypt {

const Algorithms* TheAlgorithms() {
    // Kept for the life of the process and never freed, so that nothing depends on the order in
    // which OpenSSL and this library are torn down at exit.
    static const Algorithms* const algorithms = []() -> const Algorithms* {
        auto* a = new Algorithms;
        a->sha1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
        a->hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
        a->aes128cbc = EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr);
        a->aes192cbc = EVP_CIPHER_fetch(nullptr, "AES-192-CBC", nullptr);
        a->aes256cbc = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
        if (a->sha1 && a->hmac && a->aes128cbc && a->aes192cbc && a->aes256cbc) return a;
        return nullptr;
    }();
    return algorithms;
}

const EVP_CIPHER* AesCbcFor(ALG_ID algid) {
    const Algorithms* a = TheAlgorithms();
    if (a == nullptr) return nullptr;
    switch (algid) {
        case CALG_AES_128: return a->aes128cbc;
        case CALG_AES_192: return a->aes192cbc;
        case CALG_AES_256: return a->aes256cbc;
        default: return nullptr;
    }
}

DWORD AesKeyBytes(ALG_ID algid) {
    switch (algid) {
        case CALG_AES_128: return 16;
        case CALG_AES_192: return 24;
        case CALG_AES_256: return 32;
        default: return 0;
    }
}

}  // namespace platform::crypt
