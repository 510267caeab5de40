#include "StatusMessage.h"

#include <cstdio>

#include "Status.h"
#include "windows.h"

namespace qlmfile {
namespace {

constexpr char16_t kDownloadPage[] = u"https://www.quillmarsh.com/downloads/downloads.aspx";
constexpr char16_t kFaqPage[] = u"https://www.quillmarsh.com/faq/faq.aspx";

// "%X" of the status: upper-case hexadecimal of its 32 bits, no leading zeros.
std::u16string Hex(HRESULT status) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(status));
    return std::u16string(digits, digits + std::char_traits<char>::length(digits));
}

std::u16string NewerVersionNotice() {
    std::u16string text =
        u"A newer version of this Quillmarsh component must be used. Please close your application and go to ";
    text += kDownloadPage;
    text +=
        u" to get the latest version of this client. You should first uninstall the Quillmarsh component using "
        u"\"Control Panel\", \"Add or Remove Programs\" in Windows XP or \"Program Features\" in Windows Vista. "
        u"Please also check out ";
    text += kFaqPage;
    text += u" for information related to the latest version or installation steps.";
    return text;
}

// The system's text for a message identifier, whole (its closing line break included), or empty.
std::u16string SystemText(DWORD id) {
    LPWSTR buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, id, 0,
                                        reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::u16string text;
    if (length != 0 && buffer != nullptr) text.assign(buffer, length);
    if (buffer != nullptr) LocalFree(buffer);
    return text;
}

}  // namespace

std::u16string StatusMessage(HRESULT status) {
    switch (status) {
        case QLM_E_LOGIN: return u"Incorrect Quillmarsh username or password.";
        case QLM_E_NOT_YET: return u"Decryption period has not yet started. Please try again later.";
        case QLM_E_EXPIRED: return u"Decryption period has expired. Content can no longer be decrypted.";
        case QLM_E_DAMAGED:
        case QLM_E_DAMAGED_TOKEN:
        case QLM_E_INTEGRITY: return u"Corrupted Quillmarsh content. Error 0x" + Hex(status) + u".";
        case NTE_BAD_VER: return NewerVersionNotice();
        default: break;
    }
    std::u16string text = SystemText(static_cast<DWORD>(status));
    if (text.empty()) text = SystemText(static_cast<DWORD>(status) & 0xFFFF);
    if (text.empty()) text = u"Error Occurred: 0x" + Hex(status);
    return text;
}

}  // namespace qlmfile
