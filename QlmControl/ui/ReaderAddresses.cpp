#include "ReaderAddresses.h"

#include "SettingsForm.h"
#include "platform/error_info.h"

namespace qlmcontrol {

namespace {

constexpr SHORT kMaxSegments = 32767;

std::u16string_view TrimSpaces(std::u16string_view text) {
    const std::size_t first = text.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

// Calls visit for each field of text between separators (an empty text has no field at all).
template <class Visit>
bool ForEachField(std::u16string_view text, char16_t separator, Visit visit) {
    if (text.empty()) return true;
    for (;;) {
        const std::size_t at = text.find(separator);
        if (!visit(text.substr(0, at))) return false;
        if (at == std::u16string_view::npos) return true;
        text.remove_prefix(at + 1);
    }
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

bool IsValidEmail(std::u16string_view email) {
    // Only ASCII letters lower-case to the keyword's letters, so an ASCII lower-casing decides the
    // keyword as the system's full lower-casing does.
    if (email.size() == kEveryone.size()) {
        bool keyword = true;
        for (std::size_t i = 0; i < email.size() && keyword; ++i) keyword = AsciiLower(email[i]) == kEveryone[i];
        if (keyword) return true;
    }
    return email.find(u'@') != std::u16string_view::npos && email.find(u'.') != std::u16string_view::npos;
}

HRESULT ParseSegments(std::u16string_view source, std::vector<std::u16string>& segments) {
    std::vector<std::u16string> found;
    const bool counted = ForEachField(source, u',', [&](std::u16string_view field) {
        return ForEachField(TrimSpaces(field), u';', [&](std::u16string_view subField) {
            const std::u16string_view segment = TrimSpaces(subField);
            if (segment.empty()) return true;
            if (found.size() == static_cast<std::size_t>(kMaxSegments)) return false;
            found.emplace_back(segment);
            return true;
        });
    });
    if (!counted) return platform::com::RaiseStandardError(CTL_E_OVERFLOW, kErrorSource);
    segments = std::move(found);
    return S_OK;
}

}  // namespace qlmcontrol
