// MultiByteToWideChar / WideCharToMultiByte. Every ANSI code page is UTF-8 here.
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "errhandlingapi.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"
#include "winerror.h"
#include "winnls.h"

namespace {

bool IsUtf8CodePage(UINT codePage) {
    return codePage == CP_ACP || codePage == CP_THREAD_ACP || codePage == CP_UTF8 || codePage == CP_OEMCP;
}

// The converted text lives in a temporary that is wiped before it is freed: the texts that pass
// through here include key texts. The converters reserve their worst case, so the temporary is never
// moved by growing and this is its only copy.
template <typename Char>
class WipedText {
public:
    explicit WipedText(std::optional<std::basic_string<Char>> text) : text_(std::move(text)) {}
    ~WipedText() {
        if (text_) explicit_bzero(text_->data(), text_->capacity() * sizeof(Char));
    }
    WipedText(const WipedText&) = delete;
    WipedText& operator=(const WipedText&) = delete;
    const std::optional<std::basic_string<Char>>& operator*() const { return text_; }

private:
    std::optional<std::basic_string<Char>> text_;
};

// Hands a converted text to the caller: the measuring call (capacity 0) returns the length needed;
// otherwise the text is copied when it fits, else ERROR_INSUFFICIENT_BUFFER.
template <typename Char>
int Deliver(const std::basic_string<Char>& text, Char* out, int capacity) {
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        SetLastError(ERROR_ARITHMETIC_OVERFLOW);
        return 0;
    }
    const int needed = static_cast<int>(text.size());
    if (capacity == 0) return needed;
    if (needed > capacity) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, text.data(), text.size() * sizeof(Char));
    return needed;
}

}  // namespace

extern "C" {

UINT WINAPI GetACP() { return CP_UTF8; }

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
    if (platform::fault::Fail("MultiByteToWideChar")) return 0;
    if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && lpWideCharStr == nullptr) ||
        (lpWideCharStr != nullptr && static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!IsUtf8CodePage(CodePage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((dwFlags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    // With -1 the terminator is converted too and counts in the result.
    const std::size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
    const WipedText<char16_t> wide(platform::Utf8ToUtf16(std::string_view(lpMultiByteStr, length)));
    if (!*wide) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return Deliver(**wide, lpWideCharStr, cchWideChar);
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
    if (platform::fault::Fail("WideCharToMultiByte")) return 0;
    if (lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && lpMultiByteStr == nullptr) ||
        (lpMultiByteStr != nullptr && static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!IsUtf8CodePage(CodePage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // UTF-8 has a character for everything: a default character cannot be asked for.
    if (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((dwFlags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS | WC_NO_BEST_FIT_CHARS)) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const std::size_t length =
        cchWideChar == -1 ? platform::WideLength(lpWideCharStr) + 1 : static_cast<std::size_t>(cchWideChar);
    const WipedText<char> narrow(platform::Utf16ToUtf8(std::u16string_view(lpWideCharStr, length)));
    if (!*narrow) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return Deliver(**narrow, lpMultiByteStr, cbMultiByte);
}

}  // extern "C"
