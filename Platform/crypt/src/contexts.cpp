// Provider contexts: the two providers that the system names, in verify-context mode only.
#include <cstring>
#include <new>

#include "handle_table.h"
#include "param_copy.h"
#include "platform/fault_injection.h"

namespace platform::crypt {
namespace {

// Names as the registry holds them (8-bit: PP_NAME hands them out so).
struct ProviderEntry {
    const char* name;
    DWORD type;
    bool aes;
    bool isDefault;  // the provider a null name picks for its type
};

constexpr ProviderEntry kProviders[] = {
    {"Microsoft Enhanced RSA and AES Cryptographic Provider", PROV_RSA_AES, true, true},
    {"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)", PROV_RSA_AES, true, false},
    {"Microsoft Enhanced Cryptographic Provider v1.0", PROV_RSA_FULL, false, true},
};

// Provider names are registry key names on Windows: compared without regard to (ASCII) case.
bool SameName(const char* registered, LPCWSTR asked) {
    auto lower = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; };
    std::size_t i = 0;
    for (; registered[i] != 0; ++i)
        if (asked[i] == 0 || lower(static_cast<char16_t>(registered[i])) != lower(asked[i])) return false;
    return asked[i] == 0;
}

}  // namespace
}  // namespace platform::crypt

using namespace platform::crypt;

extern "C" BOOL WINAPI CryptAcquireContextW(HCRYPTPROV* phProv, LPCWSTR szContainer, LPCWSTR szProvider,
                                            DWORD dwProvType, DWORD dwFlags) {
    if (platform::fault::Fail("CryptAcquireContextW")) return FALSE;
    if (phProv == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (dwProvType == 0 || dwProvType > 999) return FailWith(NTE_BAD_PROV_TYPE);

    const ProviderEntry* provider = nullptr;
    if (szProvider == nullptr) {
        for (const ProviderEntry& p : kProviders)
            if (p.type == dwProvType && p.isDefault) provider = &p;
        if (provider == nullptr) return FailWith(NTE_PROV_TYPE_NOT_DEF);
    } else {
        for (const ProviderEntry& p : kProviders)
            if (SameName(p.name, szProvider)) provider = &p;
        if (provider == nullptr) return FailWith(NTE_KEYSET_NOT_DEF);
        if (provider->type != dwProvType) return FailWith(NTE_PROV_TYPE_NO_MATCH);
    }

    constexpr DWORD kKnownFlags = CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET | CRYPT_MACHINE_KEYSET |
                                  CRYPT_SILENT | CRYPT_DEFAULT_CONTAINER_OPTIONAL;
    if ((dwFlags & ~kKnownFlags) != 0) return FailWith(NTE_BAD_FLAGS);
    if ((dwFlags & CRYPT_VERIFYCONTEXT) == 0) return FailWith(NTE_BAD_KEYSET);  // no key containers here
    if ((dwFlags & CRYPT_VERIFYCONTEXT) != CRYPT_VERIFYCONTEXT) return FailWith(NTE_BAD_FLAGS);
    if ((dwFlags & (CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET)) != 0) return FailWith(NTE_BAD_FLAGS);
    if (szContainer != nullptr && szContainer[0] != 0) return FailWith(NTE_BAD_FLAGS);

    if (TheAlgorithms() == nullptr) return FailWith(NTE_PROVIDER_DLL_FAIL);
    std::unique_ptr<Object> context(new (std::nothrow) Context(provider->name, provider->type, provider->aes));
    if (!context) return FailWith(NTE_NO_MEMORY);
    const ULONG_PTR handle = AddObject(std::move(context));
    if (handle == 0) return FALSE;
    *phProv = handle;
    return TRUE;
}

extern "C" BOOL WINAPI CryptGetProvParam(HCRYPTPROV hProv, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen,
                                         DWORD dwFlags) {
    if (platform::fault::Fail("CryptGetProvParam")) return FALSE;
    const Context* context = Find<Context>(hProv);
    if (context == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    if (pdwDataLen == nullptr) return FailWith(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (dwFlags != 0) return FailWith(NTE_BAD_FLAGS);
    switch (dwParam) {
        case PP_NAME:
            return CopyOut(context->provName, static_cast<DWORD>(std::strlen(context->provName) + 1), pbData, pdwDataLen);
        case PP_PROVTYPE: return CopyOut(&context->provType, sizeof context->provType, pbData, pdwDataLen);
        default: return FailWith(NTE_BAD_TYPE);
    }
}

extern "C" BOOL WINAPI CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) {
    if (platform::fault::Fail("CryptReleaseContext")) return FALSE;
    // Keys and hashes made on the context keep working until they are destroyed: each holds what it
    // needs of its own.
    if (!RemoveObject(hProv, Kind::Context)) return FailWith(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    if (dwFlags != 0) return FailWith(NTE_BAD_FLAGS);  // released all the same, as documented
    return TRUE;
}
