#pragma once
// The length rule shared by CryptGetHashParam, CryptGetKeyParam and CryptExportKey: a null buffer
// asks for the size; a buffer too small fails with ERROR_MORE_DATA and the size needed; otherwise
// the value is copied and its size returned.
#include <cstring>

#include "handle_table.h"

namespace platform::crypt {

// True when the caller's buffer takes `size` bytes. Otherwise *pdwDataLen is set to `size` and
// `result` tells what to return (TRUE for a measuring call, FALSE with ERROR_MORE_DATA).
inline bool BufferTakes(DWORD size, const BYTE* pbData, DWORD* pdwDataLen, BOOL& result) {
    if (pbData != nullptr && *pdwDataLen >= size) return true;
    *pdwDataLen = size;
    result = pbData == nullptr ? TRUE : FailWith(static_cast<DWORD>(ERROR_MORE_DATA));
    return false;
}

inline BOOL CopyOut(const void* value, DWORD size, BYTE* pbData, DWORD* pdwDataLen) {
    BOOL result = TRUE;
    if (!BufferTakes(size, pbData, pdwDataLen, result)) return result;
    std::memcpy(pbData, value, size);
    *pdwDataLen = size;
    return TRUE;
}

}  // namespace platform::crypt
