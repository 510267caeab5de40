#pragma once
// QlmFile's own status codes: severity set, facility 0x00F, code 0xF0nn.
#include "winerror.h"

namespace qlmfile {

inline constexpr HRESULT QLM_E_LOGIN = static_cast<HRESULT>(0x800FF003);           // from the engine
inline constexpr HRESULT QLM_E_EMPTY_KEY = static_cast<HRESULT>(0x800FF004);       // key text yields no key bytes
inline constexpr HRESULT QLM_E_IV_DIGEST = static_cast<HRESULT>(0x800FF005);       // IV digest is not 20 bytes
inline constexpr HRESULT QLM_E_NOT_YET = static_cast<HRESULT>(0x800FF00D);         // from the engine
inline constexpr HRESULT QLM_E_EXPIRED = static_cast<HRESULT>(0x800FF00E);         // from the engine
inline constexpr HRESULT QLM_E_DAMAGED = static_cast<HRESULT>(0x800FF015);         // from the engine
inline constexpr HRESULT QLM_E_DAMAGED_TOKEN = static_cast<HRESULT>(0x800FF016);   // from the engine
inline constexpr HRESULT QLM_E_INTEGRITY = static_cast<HRESULT>(0x800FF01B);       // integrity value wrong

// A header check of a container failed: ERROR_FILE_CORRUPT folded.
inline constexpr HRESULT QLM_E_CORRUPT_CONTAINER = HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);

}  // namespace qlmfile
