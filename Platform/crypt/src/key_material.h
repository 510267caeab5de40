#pragma once
// Making key objects, shared by CryptDeriveKey and CryptImportKey.
#include "handle_table.h"

namespace platform::crypt {

// Puts a new key into the table and its handle into *phKey; FALSE with the last error set otherwise.
BOOL HandOutKey(ALG_ID algid, const BYTE* material, DWORD size, bool exportable, HCRYPTKEY* phKey);

// Restarts the CBC chain from the key's IV and forgets a held-back block.
void RestartChain(Key& key);

}  // namespace platform::crypt
