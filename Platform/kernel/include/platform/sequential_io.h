#pragma once
// Tuning hook of the buffered sequential I/O: the size of the buffer that each handle opened with
// FILE_FLAG_SEQUENTIAL_SCAN gets. Tests make it small to reach its edges with little data; benchmarks
// compare sizes. Applies to handles opened after the call.
#include <cstddef>

namespace platform {

std::size_t SequentialBufferSize();
void SetSequentialBufferSize(std::size_t bytes);  // 0: back to the default

}  // namespace platform
