#include "ContainerHeader.h"

#include "Status.h"
#include "winerror.h"

namespace qlmfile {

bool ComputeHeader(std::size_t extensionUnits, std::size_t tokenBytes, std::size_t commentBytes,
                   ContainerHeader& header) {
    const ULONGLONG h2 = kHeaderBytes + 2ull * extensionUnits;
    const ULONGLONG h3 = h2 + tokenBytes;
    const ULONGLONG h4 = h3 + commentBytes;
    const ULONGLONG h5 = h4 + kIntegrityValueBytes;
    if (h5 > 0xFFFFFFFFull) return false;
    header.h = {0, kHeaderBytes, static_cast<DWORD>(h2), static_cast<DWORD>(h3), static_cast<DWORD>(h4),
                static_cast<DWORD>(h5)};
    return true;
}

void EncodeHeader(const ContainerHeader& header, BYTE (&bytes)[kHeaderBytes]) {
    for (std::size_t i = 0; i < header.h.size(); ++i)
        for (std::size_t b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<BYTE>(header.h[i] >> (8 * b));
}

ContainerHeader DecodeHeader(const BYTE (&bytes)[kHeaderBytes]) {
    ContainerHeader header;
    for (std::size_t i = 0; i < header.h.size(); ++i) {
        DWORD value = 0;
        for (std::size_t b = 0; b < 4; ++b) value |= static_cast<DWORD>(bytes[4 * i + b]) << (8 * b);
        header.h[i] = value;
    }
    return header;
}

HRESULT CheckHeader(const ContainerHeader& header, ULONGLONG fileSize) {
    const auto& h = header.h;
    for (int i : {1, 2, 5, 3, 4})
        if (static_cast<ULONGLONG>(h[i]) >= fileSize) return QLM_E_CORRUPT_CONTAINER;
    if (h[3] - h[2] == 0) return QLM_E_CORRUPT_CONTAINER;
    if (h[5] - h[4] != kIntegrityValueBytes) return QLM_E_CORRUPT_CONTAINER;
    // The sections must ascend from offset 24, or a length would wrap around; H5 < size (above)
    // then keeps every section inside the file.
    if (h[2] < kHeaderBytes || h[3] < h[2] || h[4] < h[3] || h[5] < h[4]) return QLM_E_CORRUPT_CONTAINER;
    return S_OK;
}

}  // namespace qlmfile
