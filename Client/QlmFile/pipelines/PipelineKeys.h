#pragma once
// What a run holds of its keys: the engine's key text in both of its forms, and the handles of the
// cipher and of the integrity hash, each released in the order that the clean-up needs.
#include <string>

#include "platform/bstr.h"
#include "windows.h"
#include "wincrypt.h"

namespace qlmfile {

// The key text as the engine handed it out, and its 8-bit form. Both are zeroed before they are
// freed: Wipe() is the first step of every clean-up, and the destructor wipes again.
class KeyText {
public:
    KeyText() = default;
    ~KeyText() { Wipe(); }
    KeyText(const KeyText&) = delete;
    KeyText& operator=(const KeyText&) = delete;

    BSTR* Put() { return text_.Put(); }
    BSTR Get() const { return text_.Get(); }
    explicit operator bool() const { return static_cast<bool>(text_); }

    // The 8-bit form, through the thread's ANSI code page.
    HRESULT Narrow();
    LPCSTR Ansi() const { return ansi_.c_str(); }

    void Wipe() noexcept;

private:
    platform::com::UniqueBstr text_;
    std::string ansi_;
};

// The cipher context and key; destroyed after the files are closed.
struct CipherHandles {
    HCRYPTPROV context = 0;
    HCRYPTKEY key = 0;

    CipherHandles() = default;
    ~CipherHandles() { Release(); }
    CipherHandles(const CipherHandles&) = delete;
    CipherHandles& operator=(const CipherHandles&) = delete;
    // The key, then the context; each skipped when null and cleared.
    void Release() noexcept;
};

// The integrity context, key and hash; the first thing released after the key text is wiped.
struct IntegrityHandles {
    HCRYPTPROV context = 0;
    HCRYPTKEY key = 0;
    HCRYPTHASH hash = 0;

    IntegrityHandles() = default;
    ~IntegrityHandles() { Release(); }
    IntegrityHandles(const IntegrityHandles&) = delete;
    IntegrityHandles& operator=(const IntegrityHandles&) = delete;
    // The hash, the key, then the context; each skipped when null and cleared.
    void Release() noexcept;
};

// The key steps that lock and unlock share: the cipher key from the 8-bit key and token texts, the
// integrity hash from the key text, and the chunk size from the cipher's block length. The status of
// the first that fails.
HRESULT SetUpKeys(LPCSTR keyText, LPCSTR tokenText, CipherHandles& cipher, IntegrityHandles& integrity,
                  DWORD& chunkSize);

}  // namespace qlmfile
