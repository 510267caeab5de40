#pragma once
// The CryptoAPI slice: two providers in verify-context mode, SHA-1 and HMAC-SHA1 hashes, AES keys
// derived from a hash, RC2 keys as key material, AES in CBC mode with PKCS#5 padding, and plaintext
// key blobs. Handles are numbers from the platform's own table; a stale or foreign handle fails
// (ERROR_INVALID_HANDLE for contexts, NTE_BAD_KEY for keys, NTE_BAD_HASH for hashes), it never crashes.
#include "windef.h"

typedef ULONG_PTR HCRYPTPROV;
typedef ULONG_PTR HCRYPTKEY;
typedef ULONG_PTR HCRYPTHASH;
typedef unsigned int ALG_ID;

// Providers. A null provider name picks the type's default: the AES provider for PROV_RSA_AES, the
// enhanced provider for PROV_RSA_FULL (this platform has no base provider).
#define PROV_RSA_FULL 1
#define PROV_RSA_AES 24
#define MS_ENHANCED_PROV_W TEXT("Microsoft Enhanced Cryptographic Provider v1.0")
#define MS_ENH_RSA_AES_PROV_W TEXT("Microsoft Enhanced RSA and AES Cryptographic Provider")
#define MS_ENH_RSA_AES_PROV_XP_W TEXT("Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)")

// CryptAcquireContextW. Only CRYPT_VERIFYCONTEXT contexts exist here: this platform keeps no key
// containers, so every other request fails with NTE_BAD_KEYSET.
#define CRYPT_VERIFYCONTEXT 0xF0000000
#define CRYPT_NEWKEYSET 0x00000008
#define CRYPT_DELETEKEYSET 0x00000010
#define CRYPT_MACHINE_KEYSET 0x00000020
#define CRYPT_SILENT 0x00000040
#define CRYPT_DEFAULT_CONTAINER_OPTIONAL 0x00000080

// CryptGetProvParam.
#define PP_NAME 4
#define PP_PROVTYPE 16

// Algorithms.
#define CALG_SHA1 0x00008004
#define CALG_HMAC 0x00008009
#define CALG_RC2 0x00006602
#define CALG_AES_128 0x0000660e
#define CALG_AES_192 0x0000660f
#define CALG_AES_256 0x00006610

// CryptDeriveKey / CryptImportKey flags. The upper 16 bits of CryptDeriveKey's flags give the key
// length in bits; 0 there means the algorithm's default.
#define CRYPT_EXPORTABLE 0x00000001
#define CRYPT_NO_SALT 0x00000010
#define CRYPT_IPSEC_HMAC_KEY 0x00000100

// Hash parameters.
#define HP_ALGID 0x0001
#define HP_HASHVAL 0x0002
#define HP_HASHSIZE 0x0004
#define HP_HMAC_INFO 0x0005

typedef struct _HMAC_Info {
    ALG_ID HashAlgid;
    BYTE* pbInnerString;  // null with length 0: the standard inner pad (0x36)
    DWORD cbInnerString;
    BYTE* pbOuterString;  // null with length 0: the standard outer pad (0x5C)
    DWORD cbOuterString;
} HMAC_INFO, *PHMAC_INFO;

// Key parameters.
#define KP_IV 1
#define KP_PADDING 3
#define KP_MODE 4
#define KP_ALGID 7
#define KP_BLOCKLEN 8
#define KP_KEYLEN 9

#define PKCS5_PADDING 1
#define CRYPT_MODE_CBC 1

// Key blobs: only the plaintext form.
#define PLAINTEXTKEYBLOB 0x8
#define CUR_BLOB_VERSION 2

typedef struct _PUBLICKEYSTRUC {
    BYTE bType;
    BYTE bVersion;
    WORD reserved;
    ALG_ID aiKeyAlg;
} BLOBHEADER, PUBLICKEYSTRUC;
// A PLAINTEXTKEYBLOB is a BLOBHEADER, a DWORD with the key's size in bytes, then the key bytes.

extern "C" {

BOOL WINAPI CryptAcquireContextW(HCRYPTPROV* phProv, LPCWSTR szContainer, LPCWSTR szProvider, DWORD dwProvType,
                                 DWORD dwFlags);
// PP_NAME (the provider's registered name as 8-bit text with its terminator) and PP_PROVTYPE.
BOOL WINAPI CryptGetProvParam(HCRYPTPROV hProv, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags);
// Flags other than 0 fail with NTE_BAD_FLAGS, but the context is released all the same.
BOOL WINAPI CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags);

// CALG_SHA1 takes no key; CALG_HMAC takes one (its bytes are copied, so the key may be destroyed
// afterwards) and is usable once HP_HMAC_INFO has named its hash.
BOOL WINAPI CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags, HCRYPTHASH* phHash);
BOOL WINAPI CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags);
// HP_HMAC_INFO with HashAlgid CALG_SHA1 and no inner or outer string (RFC 2104's pads); other
// strings are not supported here (NTE_BAD_DATA).
BOOL WINAPI CryptSetHashParam(HCRYPTHASH hHash, DWORD dwParam, const BYTE* pbData, DWORD dwFlags);
// HP_ALGID, HP_HASHSIZE, HP_HASHVAL. A null pbData measures; a buffer too small fails with
// ERROR_MORE_DATA and the size needed. Reading HP_HASHVAL finishes the hash: more data then fails
// with NTE_BAD_HASH_STATE, the value can be read again.
BOOL WINAPI CryptGetHashParam(HCRYPTHASH hHash, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags);
BOOL WINAPI CryptDestroyHash(HCRYPTHASH hHash);

// CALG_AES_128/192/256 (AES provider only) from the documented expansion of the hash value;
// CALG_RC2 (40 to 128 bits, default 128) as the first bytes of the hash value. Finishes the hash.
BOOL WINAPI CryptDeriveKey(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTHASH hBaseData, DWORD dwFlags, HCRYPTKEY* phKey);
// PLAINTEXTKEYBLOB only, hPubKey 0. RC2 keys of 5 to 16 bytes, or of any length from 1 byte with
// CRYPT_IPSEC_HMAC_KEY (HMAC keys); AES keys of the algorithm's size.
BOOL WINAPI CryptImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD dwDataLen, HCRYPTKEY hPubKey, DWORD dwFlags,
                           HCRYPTKEY* phKey);
// PLAINTEXTKEYBLOB only, hExpKey 0, for keys made with CRYPT_EXPORTABLE (else NTE_BAD_KEY_STATE).
BOOL WINAPI CryptExportKey(HCRYPTKEY hKey, HCRYPTKEY hExpKey, DWORD dwBlobType, DWORD dwFlags, BYTE* pbData,
                           DWORD* pdwDataLen);
// KP_IV (one block, taken from the start of pbData; restarts the chain), KP_MODE (CRYPT_MODE_CBC),
// KP_PADDING (PKCS5_PADDING).
BOOL WINAPI CryptSetKeyParam(HCRYPTKEY hKey, DWORD dwParam, const BYTE* pbData, DWORD dwFlags);
// KP_ALGID, KP_BLOCKLEN and KP_KEYLEN (both in bits), KP_IV, KP_MODE, KP_PADDING.
BOOL WINAPI CryptGetKeyParam(HCRYPTKEY hKey, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags);
BOOL WINAPI CryptDestroyKey(HCRYPTKEY hKey);

// Streaming AES-CBC: the chain runs on across calls; a call that is not final takes whole blocks
// only (else NTE_BAD_DATA); the final call adds the PKCS#5 pad and then restarts the chain from the
// key's IV. The result must fit in dwBufLen (else ERROR_MORE_DATA with *pdwDataLen set to the size
// needed, and nothing changes); a null pbData measures. With hHash, the plaintext is hashed too.
// RC2 keys are key material only: they fail here with NTE_BAD_ALGID.
BOOL WINAPI CryptEncrypt(HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL Final, DWORD dwFlags, BYTE* pbData, DWORD* pdwDataLen,
                         DWORD dwBufLen);
// Decryption holds back the last plaintext block of every call that is not final, so that the final
// call can remove the pad even when it brings no data: a call that is not final with k blocks
// returns the block held back before (if any) followed by its own first k - 1 blocks; the final call
// returns the held block followed by its own blocks, less the pad. The final call may therefore
// write up to one block more than *pdwDataLen: its buffer must have room for it. Lengths that are
// not whole blocks, a final call with no block at all, and a broken pad fail with NTE_BAD_DATA
// (a broken pad also wipes what the call decrypted). Every final call restarts the chain.
BOOL WINAPI CryptDecrypt(HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL Final, DWORD dwFlags, BYTE* pbData, DWORD* pdwDataLen);

}
