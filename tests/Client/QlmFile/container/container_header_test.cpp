#include <gtest/gtest.h>

#include "container/ContainerHeader.h"
#include "winerror.h"

namespace {

using qlmfile::CheckHeader;
using qlmfile::ContainerHeader;

constexpr HRESULT kCorrupt = static_cast<HRESULT>(0x80070570);

TEST(ContainerHeader, WorkedExampleOffsets) {
    // report.txt of 5000 bytes, a 48-byte token, a 10-character comment.
    ContainerHeader header;
    ASSERT_TRUE(qlmfile::ComputeHeader(4, 48, 20, header));
    EXPECT_EQ(header.h, (std::array<DWORD, 6>{0, 24, 32, 80, 100, 120}));
    const ULONGLONG payload = 16 * (5000 / 16 + 1);
    EXPECT_EQ(payload, 5008u);
    EXPECT_EQ(header.h[5] + payload, 5128u);
    EXPECT_EQ(CheckHeader(header, header.h[5] + payload), S_OK);
}

TEST(ContainerHeader, NoExtensionAndNoComment) {
    ContainerHeader header;
    ASSERT_TRUE(qlmfile::ComputeHeader(0, 16, 0, header));
    EXPECT_EQ(header.h, (std::array<DWORD, 6>{0, 24, 24, 40, 40, 60}));
}

TEST(ContainerHeader, HeaderRegionMustStayBelow4GiB) {
    ContainerHeader header;
    EXPECT_FALSE(qlmfile::ComputeHeader(0, 16, 0xFFFFFFFFull, header));
}

TEST(ContainerHeader, EncodesLittleEndianAndDecodesBack) {
    ContainerHeader header;
    header.h = {0xA1B2C3D4, 24, 0x01020304, 5, 6, 7};
    BYTE bytes[qlmfile::kHeaderBytes];
    qlmfile::EncodeHeader(header, bytes);
    EXPECT_EQ(bytes[0], 0xD4);
    EXPECT_EQ(bytes[3], 0xA1);
    EXPECT_EQ(bytes[8], 0x04);
    EXPECT_EQ(bytes[11], 0x01);
    EXPECT_EQ(qlmfile::DecodeHeader(bytes).h, header.h);
}

struct CheckCase {
    const char* name;
    std::array<DWORD, 6> h;
    ULONGLONG size;
    HRESULT expected;
};

const CheckCase kChecks[] = {
    {"well_formed", {0, 24, 32, 80, 100, 120}, 5128, S_OK},
    {"h0_is_never_read", {0xDEADBEEF, 24, 32, 80, 100, 120}, 5128, S_OK},
    {"h1_only_checked_against_size", {0, 5000, 32, 80, 100, 120}, 5128, S_OK},
    {"h1_at_size", {0, 5128, 32, 80, 100, 120}, 5128, kCorrupt},
    {"empty_file", {0, 0, 0, 0, 0, 0}, 0, kCorrupt},
    {"short_file_fields_zero", {0, 0, 0, 0, 0, 0}, 19, kCorrupt},
    {"cut_below_24_bytes", {0, 24, 32, 80, 100, 120}, 23, kCorrupt},
    {"h5_equals_size_no_payload", {0, 24, 32, 80, 100, 120}, 120, kCorrupt},
    {"integrity_21_bytes", {0, 24, 32, 80, 100, 121}, 5128, kCorrupt},
    {"empty_token", {0, 24, 32, 32, 100, 120}, 5128, kCorrupt},
    // Past what the documented checks catch: sections that descend.
    {"h2_below_24", {0, 24, 20, 80, 100, 120}, 5128, kCorrupt},
    {"token_descends", {0, 24, 90, 80, 100, 120}, 5128, kCorrupt},
    {"comment_descends", {0, 24, 32, 110, 100, 120}, 5128, kCorrupt},
    {"integrity_wraps_past_zero", {0, 24, 32, 80, 0xFFFFFFF0, 4}, 0x100000000ull + 10, kCorrupt},
    // At 4 GiB and more every offset is below the size; the order still has to hold.
    {"four_gib_well_formed", {0, 24, 32, 80, 100, 120}, 0x100000000ull, S_OK},
};

class HeaderCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(HeaderCheck, AcceptsOrRefusesAsCorrupt) {
    ContainerHeader header;
    header.h = GetParam().h;
    EXPECT_EQ(CheckHeader(header, GetParam().size), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, HeaderCheck, testing::ValuesIn(kChecks),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
