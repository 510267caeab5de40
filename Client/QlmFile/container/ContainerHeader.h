#pragma once
// The header of a .qlm container: six unsigned 32-bit little-endian offsets at the start of the file.
//
//   H0  reserved, written as 0, never read
//   H1  offset of the extension section (always 24)
//   H2  offset of the token section     = H1 + extension bytes
//   H3  offset of the comment section   = H2 + token bytes
//   H4  offset of the integrity value   = H3 + comment bytes
//   H5  offset of the payload           = H4 + 20
//
// The sections follow each other without gaps; the payload runs to the end of the file.
#include <array>
#include <cstddef>

#include "windef.h"

namespace qlmfile {

inline constexpr DWORD kHeaderBytes = 24;
inline constexpr DWORD kIntegrityValueBytes = 20;

struct ContainerHeader {
    std::array<DWORD, 6> h{};  // H0 ... H5

    // The extension section is read from offset 24 up to H2: H1 takes part only in the size check,
    // so a container whose H1 was changed to another value below its size still reads the same.
    DWORD ExtensionBytes() const { return h[2] - kHeaderBytes; }
    DWORD TokenBytes() const { return h[3] - h[2]; }
    DWORD CommentBytes() const { return h[4] - h[3]; }
    DWORD PayloadOffset() const { return h[5]; }
    DWORD IntegrityOffset() const { return h[4]; }
};

// The writer's header, from the lengths of its sections (the extension in UTF-16 units).
// False when the header region would not fit below 4 GiB.
bool ComputeHeader(std::size_t extensionUnits, std::size_t tokenBytes, std::size_t commentBytes,
                   ContainerHeader& header);

void EncodeHeader(const ContainerHeader& header, BYTE (&bytes)[kHeaderBytes]);
ContainerHeader DecodeHeader(const BYTE (&bytes)[kHeaderBytes]);

// The reader's checks, in their order: H1, H2, H5, H3 and H4 below the file size (as 64-bit
// numbers); a token section that is not empty; 20 bytes between H4 and H5. Beyond those, a header
// whose sections descend or run past the end of the file is refused too. 0x80070570 on refusal.
HRESULT CheckHeader(const ContainerHeader& header, ULONGLONG fileSize);

}  // namespace qlmfile
