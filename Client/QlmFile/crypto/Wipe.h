#pragma once
// Overwrites secrets with zeros in a way the compiler may not drop as a dead store.
#include <cstddef>

namespace qlmfile {

inline void WipeBytes(void* data, std::size_t size) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) p[i] = 0;
}

}  // namespace qlmfile
