// What the CryptoAPI slice costs over OpenSSL itself in QlmFile's chunk loop: 1920-byte chunks read
// into one 2048-byte buffer; lock encrypts and then hashes each chunk (AES-256-CBC, HMAC-SHA1),
// unlock hashes and then decrypts. The "Evp" benchmarks do the same work with EVP_CIPHER and
// EVP_MAC directly; the two sides are checked to give the same bytes before anything is timed.
#include <benchmark/benchmark.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "wincrypt.h"
#include "windows.h"

namespace {

constexpr DWORD kBuffer = 2048;
constexpr DWORD kChunk = 1920;
constexpr std::size_t kPayload = 4u << 20;

const BYTE kCipherKey[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                             17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
const BYTE kIv[16] = {0xf0, 0xe0, 0xd0, 0xc0, 0xb0, 0xa0, 0x90, 0x80, 0x70, 0x60, 0x50, 0x40, 0x30, 0x20, 0x10, 0};
const BYTE kIntegrityKey[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "bench setup failed: %s (last error %08x)\n", what, GetLastError());
        std::abort();
    }
}

std::vector<BYTE> Payload(std::size_t size) {
    std::vector<BYTE> data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<BYTE>(i * 131 + (i >> 9));
    return data;
}

// The reading side of the loop: each chunk of up to 1920 bytes is copied into the work buffer
// (as a read would), and the pass that reads fewer is the final one.
template <class Pass>
void ForEachChunk(const std::vector<BYTE>& input, BYTE (&buffer)[kBuffer], Pass pass) {
    std::size_t at = 0;
    for (bool final = false; !final;) {
        const DWORD read = static_cast<DWORD>(std::min<std::size_t>(kChunk, input.size() - at));
        std::memcpy(buffer, input.data() + at, read);
        at += read;
        final = read < kChunk;
        pass(read, final);
        benchmark::DoNotOptimize(buffer);
    }
}

struct Output {
    std::vector<BYTE> data;
    BYTE mac[20];
};

// --- through the CryptoAPI slice ---

class CryptoApi {
public:
    CryptoApi() {
        Require(CryptAcquireContextW(&context_, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT), "context");
        Require(Import(CALG_AES_256, kCipherKey, sizeof kCipherKey, 0, &cipher_), "cipher key");
        Require(CryptSetKeyParam(cipher_, KP_IV, kIv, 0), "iv");
        Require(Import(CALG_RC2, kIntegrityKey, sizeof kIntegrityKey, 0, &integrityKey_), "integrity key");
    }
    ~CryptoApi() {
        CryptDestroyKey(integrityKey_);
        CryptDestroyKey(cipher_);
        CryptReleaseContext(context_, 0);
    }

    // One whole lock (encrypt = true) or unlock over `input`, into `output` when it is given.
    void Run(bool encrypt, const std::vector<BYTE>& input, Output* output) {
        HCRYPTHASH mac = 0;
        Require(CryptCreateHash(context_, CALG_HMAC, integrityKey_, 0, &mac), "hmac");
        HMAC_INFO info = {CALG_SHA1, nullptr, 0, nullptr, 0};
        Require(CryptSetHashParam(mac, HP_HMAC_INFO, reinterpret_cast<const BYTE*>(&info), 0), "hmac info");
        BYTE buffer[kBuffer];
        ForEachChunk(input, buffer, [&](DWORD read, bool final) {
            DWORD length = read;
            if (encrypt) {
                Require(CryptEncrypt(cipher_, 0, final, 0, buffer, &length, kBuffer), "encrypt");
                Require(CryptHashData(mac, buffer, length, 0), "hash");
            } else {
                Require(CryptHashData(mac, buffer, length, 0), "hash");
                Require(CryptDecrypt(cipher_, 0, final, 0, buffer, &length), "decrypt");
            }
            if (output != nullptr) output->data.insert(output->data.end(), buffer, buffer + length);
        });
        BYTE value[20];
        DWORD size = sizeof value;
        Require(CryptGetHashParam(mac, HP_HASHVAL, value, &size, 0), "mac value");
        if (output != nullptr) std::memcpy(output->mac, value, sizeof value);
        CryptDestroyHash(mac);
    }

private:
    BOOL Import(ALG_ID algid, const BYTE* key, DWORD size, DWORD flags, HCRYPTKEY* out) {
        std::vector<BYTE> blob(12 + size);
        const BLOBHEADER header{PLAINTEXTKEYBLOB, CUR_BLOB_VERSION, 0, algid};
        std::memcpy(blob.data(), &header, 8);
        std::memcpy(blob.data() + 8, &size, 4);
        std::memcpy(blob.data() + 12, key, size);
        return CryptImportKey(context_, blob.data(), static_cast<DWORD>(blob.size()), 0, flags, out);
    }

    HCRYPTPROV context_ = 0;
    HCRYPTKEY cipher_ = 0;
    HCRYPTKEY integrityKey_ = 0;
};

// --- the same with EVP directly ---

class Evp {
public:
    Evp() {
        cipher_ = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
        mac_ = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
        cipherCtx_ = EVP_CIPHER_CTX_new();
        macCtx_ = EVP_MAC_CTX_new(mac_);
        Require(cipher_ && mac_ && cipherCtx_ && macCtx_, "evp");
    }
    ~Evp() {
        EVP_MAC_CTX_free(macCtx_);
        EVP_CIPHER_CTX_free(cipherCtx_);
        EVP_MAC_free(mac_);
        EVP_CIPHER_free(cipher_);
    }

    void Run(bool encrypt, const std::vector<BYTE>& input, Output* output) {
        char digest[] = "SHA1";
        const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                     OSSL_PARAM_construct_end()};
        Require(EVP_MAC_init(macCtx_, kIntegrityKey, sizeof kIntegrityKey, params) == 1, "mac init");
        Require(EVP_CipherInit_ex2(cipherCtx_, cipher_, kCipherKey, kIv, encrypt ? 1 : 0, nullptr) == 1, "cipher init");
        BYTE buffer[kBuffer];
        BYTE out[kBuffer];
        ForEachChunk(input, buffer, [&](DWORD read, bool final) {
            int length = 0;
            int tail = 0;
            if (encrypt) {
                Require(EVP_EncryptUpdate(cipherCtx_, out, &length, buffer, static_cast<int>(read)) == 1, "encrypt");
                if (final) Require(EVP_EncryptFinal_ex(cipherCtx_, out + length, &tail) == 1, "encrypt final");
                length += tail;
                Require(EVP_MAC_update(macCtx_, out, static_cast<std::size_t>(length)) == 1, "hash");
            } else {
                Require(EVP_MAC_update(macCtx_, buffer, read) == 1, "hash");
                Require(EVP_DecryptUpdate(cipherCtx_, out, &length, buffer, static_cast<int>(read)) == 1, "decrypt");
                if (final) Require(EVP_DecryptFinal_ex(cipherCtx_, out + length, &tail) == 1, "decrypt final");
                length += tail;
            }
            if (output != nullptr) output->data.insert(output->data.end(), out, out + length);
            benchmark::DoNotOptimize(out);
        });
        BYTE value[20];
        std::size_t size = 0;
        Require(EVP_MAC_final(macCtx_, value, &size, sizeof value) == 1, "mac value");
        if (output != nullptr) std::memcpy(output->mac, value, sizeof value);
    }

private:
    EVP_CIPHER* cipher_ = nullptr;
    EVP_MAC* mac_ = nullptr;
    EVP_CIPHER_CTX* cipherCtx_ = nullptr;
    EVP_MAC_CTX* macCtx_ = nullptr;
};

const std::vector<BYTE>& Plaintext() {
    static const std::vector<BYTE> data = Payload(kPayload);
    return data;
}

// The ciphertext of the plaintext, made and checked once: both sides must agree byte for byte.
const std::vector<BYTE>& Ciphertext() {
    static const std::vector<BYTE> data = [] {
        Output api;
        Output evp;
        CryptoApi().Run(true, Plaintext(), &api);
        Evp().Run(true, Plaintext(), &evp);
        Require(api.data == evp.data && std::memcmp(api.mac, evp.mac, 20) == 0, "lock outputs differ");
        Output apiBack;
        Output evpBack;
        CryptoApi().Run(false, api.data, &apiBack);
        Evp().Run(false, api.data, &evpBack);
        Require(apiBack.data == Plaintext() && evpBack.data == Plaintext() &&
                    std::memcmp(apiBack.mac, evpBack.mac, 20) == 0,
                "unlock outputs differ");
        return api.data;
    }();
    return data;
}

template <class Layer>
void Lock(benchmark::State& state) {
    Ciphertext();
    Layer layer;
    for (auto _ : state) layer.Run(true, Plaintext(), nullptr);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kPayload));
}

template <class Layer>
void Unlock(benchmark::State& state) {
    const std::vector<BYTE>& cipher = Ciphertext();
    Layer layer;
    for (auto _ : state) layer.Run(false, cipher, nullptr);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kPayload));
}

BENCHMARK_TEMPLATE(Lock, CryptoApi)->Name("Lock/CryptoApi")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Lock, Evp)->Name("Lock/Evp")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Unlock, CryptoApi)->Name("Unlock/CryptoApi")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Unlock, Evp)->Name("Unlock/Evp")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
