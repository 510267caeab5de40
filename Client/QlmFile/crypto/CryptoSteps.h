#pragma once
// Steps that the key and hash operations share: the status of a failed call, the scratch buffer
// that holds the decoded key bytes, the temporary SHA-1 hash object, and the code-page conversions.
#include <memory>
#include <string>

#include "windows.h"
#include "wincrypt.h"

namespace qlmfile::crypto_steps {

// The status of a call that reported failure: its last error folded. 0 when the last error is 0;
// the operation then goes on with its next step as if the call had succeeded.
inline HRESULT LastErrorStatus() { return HRESULT_FROM_WIN32(GetLastError()); }

// The key bytes K decoded from the key text, in a scratch buffer sized to the text's length and
// wiped when it goes.
class KeyBytes {
public:
    KeyBytes() = default;
    ~KeyBytes();
    KeyBytes(const KeyBytes&) = delete;
    KeyBytes& operator=(const KeyBytes&) = delete;

    // 0x800FF004 when the text yields no buffer to decode into (the empty text).
    HRESULT Decode(LPCSTR keyText);
    const BYTE* data() const { return buffer_.get(); }
    DWORD size() const { return size_; }

private:
    std::unique_ptr<BYTE[]> buffer_;
    DWORD capacity_ = 0;
    DWORD size_ = 0;
};

// A SHA-1 hash object used only inside an operation: destroyed when it goes.
class TemporaryHash {
public:
    TemporaryHash() = default;
    ~TemporaryHash() { Destroy(); }
    TemporaryHash(const TemporaryHash&) = delete;
    TemporaryHash& operator=(const TemporaryHash&) = delete;

    HCRYPTHASH* put() { return &handle_; }
    HCRYPTHASH get() const { return handle_; }
    void Destroy() {
        if (handle_ != 0) CryptDestroyHash(handle_);
        handle_ = 0;
    }

private:
    HCRYPTHASH handle_ = 0;
};

// On `context`: creates a SHA-1 hash object into `sha1`, hashes K, and derives a key of `algid`
// with `flags` into `keySlot`. The status of the first call that failed, else 0.
HRESULT DeriveFromKeyBytes(HCRYPTPROV context, const KeyBytes& k, ALG_ID algid, DWORD flags, TemporaryHash& sha1,
                           HCRYPTKEY* keySlot);

// Conversions through the thread's ANSI code page, NUL-terminated texts in and out: one call to
// measure, one to convert; a failure gives the folded last error.
HRESULT AnsiToWide(LPCSTR text, std::u16string& wide);
HRESULT WideToAnsi(LPCWSTR text, std::string& ansi);

}  // namespace qlmfile::crypto_steps
