#pragma once
// The little-endian writer behind the resources compiled into a program (dialog templates, version
// information): constexpr, so that a resource is built at compile time, and run twice, first with no
// output to measure the size, then into an array of that size.
#include <cstddef>
#include <string_view>

#include "windef.h"

namespace platform {

class ResourceWriter {
public:
    constexpr explicit ResourceWriter(BYTE* out) : out_(out) {}

    constexpr void Byte(BYTE value) {
        if (out_ != nullptr) out_[size_] = value;
        ++size_;
    }
    constexpr void Word(WORD value) {
        Byte(static_cast<BYTE>(value & 0xFF));
        Byte(static_cast<BYTE>(value >> 8));
    }
    constexpr void Dword(DWORD value) {
        Word(static_cast<WORD>(value & 0xFFFF));
        Word(static_cast<WORD>(value >> 16));
    }
    constexpr void Short(short value) { Word(static_cast<WORD>(value)); }
    // UTF-16 with its closing NUL.
    constexpr void String(std::u16string_view text) {
        for (char16_t c : text) Word(static_cast<WORD>(c));
        Word(0);
    }
    constexpr void AlignToDword() {
        while (size_ % 4 != 0) Byte(0);
    }
    // Overwrites the word written at `at`, for a length known only at the end of a block.
    constexpr void PatchWord(std::size_t at, WORD value) {
        if (out_ == nullptr) return;
        out_[at] = static_cast<BYTE>(value & 0xFF);
        out_[at + 1] = static_cast<BYTE>(value >> 8);
    }
    constexpr std::size_t size() const { return size_; }

private:
    BYTE* out_;
    std::size_t size_ = 0;
};

}  // namespace platform
