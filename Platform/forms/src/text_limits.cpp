#include "text_limits.h"

namespace platform::forms {

namespace {
bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
}  // namespace

std::u16string_view CutToLength(std::u16string_view text, LONG maxLength) {
    if (maxLength <= 0 || text.size() <= static_cast<std::size_t>(maxLength)) return text;
    std::size_t length = static_cast<std::size_t>(maxLength);
    if (IsHighSurrogate(text[length - 1]) && IsLowSurrogate(text[length])) --length;
    return text.substr(0, length);
}

std::size_t FirstCharLength(std::u16string_view text) {
    if (text.empty()) return 0;
    return text.size() >= 2 && IsHighSurrogate(text[0]) && IsLowSurrogate(text[1]) ? 2 : 1;
}

std::size_t LastCharLength(std::u16string_view text) {
    if (text.empty()) return 0;
    const std::size_t n = text.size();
    return n >= 2 && IsHighSurrogate(text[n - 2]) && IsLowSurrogate(text[n - 1]) ? 2 : 1;
}

std::size_t CharCount(std::u16string_view text) {
    std::size_t count = 0;
    while (!text.empty()) {
        text.remove_prefix(FirstCharLength(text));
        ++count;
    }
    return count;
}

}  // namespace platform::forms
