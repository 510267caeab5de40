// BSTR with the Windows layout: [32-bit byte length][characters][two-byte NUL], on the C heap.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "oleauto.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"

namespace {

constexpr std::size_t kPrefix = sizeof(DWORD);
constexpr std::size_t kTerminator = sizeof(OLECHAR);

DWORD* PrefixOf(BSTR s) { return reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(s) - kPrefix); }

// A BSTR of `bytes` bytes, copied from `source` when given (else zeroed), NUL-terminated.
BSTR AllocateBytes(const void* source, std::size_t bytes) {
    if (bytes > std::numeric_limits<DWORD>::max() - kPrefix - kTerminator) return nullptr;
    auto* block = static_cast<BYTE*>(std::malloc(kPrefix + bytes + kTerminator));
    if (block == nullptr) return nullptr;
    const DWORD length = static_cast<DWORD>(bytes);
    std::memcpy(block, &length, kPrefix);
    BYTE* chars = block + kPrefix;
    if (source != nullptr)
        std::memcpy(chars, source, bytes);
    else
        std::memset(chars, 0, bytes);
    std::memset(chars + bytes, 0, kTerminator);
    return reinterpret_cast<BSTR>(chars);
}

bool CharsFit(std::size_t count) { return count <= (std::numeric_limits<DWORD>::max() - kPrefix) / sizeof(OLECHAR); }

}  // namespace

extern "C" {

BSTR WINAPI SysAllocString(const OLECHAR* psz) {
    if (platform::fault::Check("SysAllocString")) return nullptr;
    if (psz == nullptr) return nullptr;
    return AllocateBytes(psz, platform::WideLength(psz) * sizeof(OLECHAR));
}

BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (platform::fault::Check("SysAllocStringLen")) return nullptr;
    if (!CharsFit(ui)) return nullptr;
    return AllocateBytes(strIn, std::size_t{ui} * sizeof(OLECHAR));
}

BSTR WINAPI SysAllocStringByteLen(LPCSTR psz, UINT len) {
    if (platform::fault::Check("SysAllocStringByteLen")) return nullptr;
    return AllocateBytes(psz, len);
}

INT WINAPI SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, unsigned int len) {
    if (platform::fault::Check("SysReAllocStringLen")) return FALSE;
    if (pbstr == nullptr || !CharsFit(len)) return FALSE;
    BSTR fresh;
    if (psz != nullptr) {
        // psz may point into *pbstr: copy before the old string goes.
        fresh = AllocateBytes(psz, std::size_t{len} * sizeof(OLECHAR));
    } else {
        fresh = AllocateBytes(nullptr, std::size_t{len} * sizeof(OLECHAR));
        if (fresh != nullptr && *pbstr != nullptr)
            std::memcpy(fresh, *pbstr, std::min<std::size_t>(SysStringLen(*pbstr), len) * sizeof(OLECHAR));
    }
    if (fresh == nullptr) return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

INT WINAPI SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
    if (platform::fault::Check("SysReAllocString")) return FALSE;
    if (pbstr == nullptr) return FALSE;
    if (psz == nullptr) {
        SysFreeString(*pbstr);
        *pbstr = nullptr;
        return TRUE;
    }
    const std::size_t length = platform::WideLength(psz);
    if (!CharsFit(length)) return FALSE;
    BSTR fresh = AllocateBytes(psz, length * sizeof(OLECHAR));
    if (fresh == nullptr) return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void WINAPI SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr) std::free(PrefixOf(bstrString));
}

UINT WINAPI SysStringLen(BSTR pbstr) { return pbstr == nullptr ? 0 : *PrefixOf(pbstr) / sizeof(OLECHAR); }

UINT WINAPI SysStringByteLen(BSTR bstr) { return bstr == nullptr ? 0 : *PrefixOf(bstr); }

}  // extern "C"
