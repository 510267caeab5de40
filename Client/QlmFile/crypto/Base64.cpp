#include "Base64.h"

#include <cstdint>

namespace qlmfile {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

bool DecodeBase64(LPCSTR text, DWORD textLength, BYTE* buffer, DWORD* length) {
    if (length == nullptr) return false;
    const DWORD capacity = *length;
    bool fits = buffer != nullptr;
    DWORD decoded = 0;
    DWORD pos = 0;
    while (pos < textLength && text[pos] != '\0') {
        std::uint32_t bits = 0;
        int count = 0;
        while (count < 4 && pos < textLength) {
            const int value = ValueOf(text[pos++]);
            if (value < 0) continue;
            bits = (bits << 6) | static_cast<std::uint32_t>(value);
            ++count;
        }
        const DWORD groupBytes = static_cast<DWORD>(count * 6 / 8);
        if (fits && decoded + groupBytes > capacity) fits = false;
        bits <<= 24 - count * 6;  // most significant bits first
        for (DWORD i = 0; i < groupBytes; ++i) {
            if (fits) buffer[decoded] = static_cast<BYTE>(bits >> (16 - 8 * i));
            ++decoded;
        }
    }
    *length = decoded;
    return fits;
}

std::string EncodeBase64(const BYTE* data, std::size_t size) {
    std::string text;
    text.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        const std::size_t n = size - i < 3 ? size - i : 3;
        std::uint32_t bits = static_cast<std::uint32_t>(data[i]) << 16;
        if (n > 1) bits |= static_cast<std::uint32_t>(data[i + 1]) << 8;
        if (n > 2) bits |= data[i + 2];
        for (std::size_t c = 0; c < 4; ++c)
            text.push_back(c <= n ? kAlphabet[(bits >> (18 - 6 * c)) & 0x3F] : '=');
    }
    return text;
}

}  // namespace qlmfile
