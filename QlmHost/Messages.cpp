#include "Messages.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "platform/error_info.h"
#include "platform/utf.h"

namespace qlmhost {

std::string HexStatus(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

std::string Describe(HRESULT hr) {
    const std::u16string description = platform::com::ErrorDescription(hr);
    if (description.empty()) return HexStatus(hr);
    return Narrow(description) + " (" + HexStatus(hr) + ")";
}

std::string Narrow(std::u16string_view text) {
    if (auto utf8 = platform::Utf16ToUtf8(text)) return *std::move(utf8);
    // Only unpaired surrogates make the strict conversion fail: replace them one by one.
    std::u16string mended(text);
    for (std::size_t i = 0; i < mended.size(); ++i) {
        const char16_t c = mended[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < mended.size() && mended[i + 1] >= 0xDC00 && mended[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            mended[i] = u'\uFFFD';
        }
    }
    return platform::Utf16ToUtf8(mended).value_or(std::string());
}

std::string Quote(std::string_view utf8) {
    return nlohmann::json(std::string(utf8)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Quote(std::u16string_view text) { return Quote(Narrow(text)); }

}  // namespace qlmhost
