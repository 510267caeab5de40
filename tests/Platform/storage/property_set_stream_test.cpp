#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "platform/property_set_stream.h"
#include "winerror.h"

namespace {

using platform::storage::kCodePageUtf16;
using platform::storage::kCodePageUtf8;
using platform::storage::ParsePropertySet;
using platform::storage::PropertySet;
using platform::storage::PropertyValue;
using platform::storage::SerializePropertySet;
using Bytes = std::vector<std::uint8_t>;

// A Summary Information set written out by hand from the property set stream layout: code page
// 65001, Title (VT_LPWSTR "Hi"), Comments (VT_LPSTR "abc"), edit time (VT_FILETIME) and page count
// (VT_I4 -2). Offsets in the comments are from the start of the stream.
const Bytes kKnownGood = {
    // 0: header
    0xFE, 0xFF,                                      // byte order mark 0xFFFE
    0x00, 0x00,                                      // format version 0
    0x0A, 0x00, 0x02, 0x00,                          // OS version: 10.0 on the Win32 platform (2)
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // class identifier: none
    0x01, 0x00, 0x00, 0x00,                          // one section
    // 28: FMTID_SummaryInformation {F29F85E0-4FF9-1068-AB91-08002B27B3D9}, then its section's offset
    0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10, 0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9,
    0x30, 0x00, 0x00, 0x00,                          // 44: the section is at 48
    // 48: section: size 104, five properties
    0x68, 0x00, 0x00, 0x00,
    0x05, 0x00, 0x00, 0x00,
    // 56: identifier/offset table, offsets from the start of the section
    0x01, 0x00, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00,  // 56: code page        at 48 (stream 96)
    0x02, 0x00, 0x00, 0x00, 0x38, 0x00, 0x00, 0x00,  // 64: PIDSI_TITLE      at 56 (stream 104)
    0x06, 0x00, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00,  // 72: PIDSI_COMMENTS   at 72 (stream 120)
    0x0A, 0x00, 0x00, 0x00, 0x54, 0x00, 0x00, 0x00,  // 80: PIDSI_EDITTIME   at 84 (stream 132)
    0x0E, 0x00, 0x00, 0x00, 0x60, 0x00, 0x00, 0x00,  // 88: PIDSI_PAGECOUNT  at 96 (stream 144)
    // 96: VT_I2 (2), padding, 65001 (0xFDE9), padding
    0x02, 0x00, 0x00, 0x00, 0xE9, 0xFD, 0x00, 0x00,
    // 104: VT_LPWSTR (31), padding, 3 characters with the NUL, "Hi\0", padding to 4 bytes
    0x1F, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x48, 0x00, 0x69, 0x00, 0x00, 0x00, 0x00, 0x00,
    // 120: VT_LPSTR (30), padding, 4 bytes with the NUL, "abc\0"
    0x1E, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63, 0x00,
    // 132: VT_FILETIME (64), padding, low 0x89ABCDEF, high 0x01234567
    0x40, 0x00, 0x00, 0x00, 0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01,
    // 144: VT_I4 (3), padding, -2
    0x03, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF,
    // 152: end
};

PropertySet KnownGoodSet() {
    PropertySet set;
    set.fmtid = FMTID_SummaryInformation;
    set.osVersion = 0x0002000A;
    set.codePage = kCodePageUtf8;
    set.properties[PIDSI_TITLE] = PropertyValue::Wide(u"Hi");
    set.properties[PIDSI_COMMENTS] = PropertyValue::Ansi("abc");
    set.properties[PIDSI_EDITTIME] = PropertyValue::Time({0x89ABCDEF, 0x01234567});
    set.properties[PIDSI_PAGECOUNT] = PropertyValue::I4(-2);
    return set;
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(PropertySetStream, ReadsTheHandAssembledStream) {
    PropertySet set;
    ASSERT_EQ(ParsePropertySet(kKnownGood, set), S_OK);
    EXPECT_EQ(set, KnownGoodSet());
}

TEST(PropertySetStream, WritesTheDocumentedLayoutByteForByte) {
    EXPECT_EQ(SerializePropertySet(KnownGoodSet()), kKnownGood);
}

struct RoundTrip {
    const char* name;
    WORD codePage;
    PropertyValue value;
};

class PropertySetRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(PropertySetRoundTrip, ReadsBackWhatItWrote) {
    PropertySet set;
    set.fmtid = FMTID_SummaryInformation;
    set.clsid = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
    set.osVersion = platform::storage::kWriterOsVersion;
    set.codePage = GetParam().codePage;
    set.properties[PIDSI_SUBJECT] = GetParam().value;
    set.properties[PIDSI_WORDCOUNT] = PropertyValue::I4(7);  // a value after it: padding must line it up

    const Bytes stream = SerializePropertySet(set);
    EXPECT_EQ(stream.size() % 4, 0u);
    // The section's size field covers exactly what follows the header.
    EXPECT_EQ(stream[48] | (stream[49] << 8) | (stream[50] << 16) | (stream[51] << 24), static_cast<int>(stream.size() - 48));
    PropertySet back;
    ASSERT_EQ(ParsePropertySet(stream, back), S_OK);
    EXPECT_EQ(back, set);
}

const RoundTrip kRoundTrips[] = {
    {"EmptyAnsi", kCodePageUtf8, PropertyValue::Ansi("")},
    {"AnsiOneByte", kCodePageUtf8, PropertyValue::Ansi("a")},
    {"AnsiThreeBytesFillTheWord", kCodePageUtf8, PropertyValue::Ansi("abc")},
    {"AnsiFourBytesNeedPadding", kCodePageUtf8, PropertyValue::Ansi("abcd")},
    {"AnsiUtf8", kCodePageUtf8, PropertyValue::Ansi("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80")},
    {"AnsiInUtf16Set", kCodePageUtf16, PropertyValue::Ansi("Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80")},
    {"EmptyAnsiInUtf16Set", kCodePageUtf16, PropertyValue::Ansi("")},
    {"EmptyWide", kCodePageUtf8, PropertyValue::Wide(u"")},
    {"WideOddLength", kCodePageUtf8, PropertyValue::Wide(u"ab")},
    {"WideEvenLength", kCodePageUtf8, PropertyValue::Wide(u"abc")},
    {"WideSurrogatePair", kCodePageUtf8, PropertyValue::Wide(u"x\U0001F600")},
    {"I2Lowest", kCodePageUtf8, PropertyValue::I2(-32768)},
    {"I2Highest", kCodePageUtf8, PropertyValue::I2(32767)},
    {"I4Lowest", kCodePageUtf8, PropertyValue::I4(INT_MIN)},
    {"FileTimeAllOnes", kCodePageUtf8, PropertyValue::Time({0xFFFFFFFF, 0xFFFFFFFF})},
};
INSTANTIATE_TEST_SUITE_P(Values, PropertySetRoundTrip, testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PropertySetStream, KeepsValuesOfOtherTypesAndTheDictionaryAsFound) {
    // A set as another writer may leave it: values out of order, a VT_R8 and a dictionary.
    Bytes stream(kKnownGood.begin(), kKnownGood.begin() + 48);
    const Bytes section = {
        0x48, 0x00, 0x00, 0x00,                          // size 72
        0x03, 0x00, 0x00, 0x00,                          // three properties
        0x0E, 0x00, 0x00, 0x00, 0x38, 0x00, 0x00, 0x00,  // page count (a VT_R8 here) at 56
        0x00, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00,  // the dictionary at 40
        0x01, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00,  // code page at 32
        0x02, 0x00, 0x00, 0x00, 0xE4, 0x04, 0x00, 0x00,  // 32: VT_I2 1252
        0x01, 0x00, 0x00, 0x00,                          // 40: dictionary: one entry,
        0x07, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  //     id 7, a name of 2 bytes:
        0x78, 0x00, 0x00, 0x00,                          //     "x\0" and padding
        0x05, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F,  // 56: VT_R8 1.0
        0x00, 0x00, 0x00, 0x00,                          // 68: spare room at the end of the section
    };
    stream.insert(stream.end(), section.begin(), section.end());

    PropertySet set;
    ASSERT_EQ(ParsePropertySet(stream, set), S_OK);
    EXPECT_EQ(set.codePage, 1252);
    ASSERT_EQ(set.properties.size(), 2u);
    EXPECT_EQ(set.properties[PID_DICTIONARY].kept, Bytes(section.begin() + 40, section.begin() + 56));
    EXPECT_EQ(set.properties[PIDSI_PAGECOUNT].type, VT_R8);
    // The extent of the last value runs to the end of the section.
    EXPECT_EQ(set.properties[PIDSI_PAGECOUNT].kept, Bytes(section.begin() + 56, section.end()));

    PropertySet back;
    ASSERT_EQ(ParsePropertySet(SerializePropertySet(set), back), S_OK);
    EXPECT_EQ(back, set);
}

TEST(PropertySetStream, TextOutsideASingleByteCodePageReadsAsTheDefaultCharacter) {
    // No tables for other code pages here: what is not ASCII becomes "?" both ways.
    PropertySet set = KnownGoodSet();
    set.codePage = 1252;
    set.properties[PIDSI_COMMENTS] = PropertyValue::Ansi("caf\xC3\xA9");
    PropertySet back;
    ASSERT_EQ(ParsePropertySet(SerializePropertySet(set), back), S_OK);
    EXPECT_EQ(back.properties[PIDSI_COMMENTS].text, "caf??");
}

TEST(PropertySetStream, RefusesEveryTruncation) {
    for (std::size_t size = 0; size < kKnownGood.size(); ++size) {
        PropertySet set;
        EXPECT_EQ(ParsePropertySet(std::span(kKnownGood).first(size), set), STG_E_INVALIDHEADER) << size;
    }
}

struct Damage {
    const char* name;
    std::function<void(Bytes&)> apply;
};

class DamagedStream : public testing::TestWithParam<Damage> {};

TEST_P(DamagedStream, IsRefused) {
    Bytes stream = kKnownGood;
    GetParam().apply(stream);
    PropertySet set;
    EXPECT_EQ(ParsePropertySet(stream, set), STG_E_INVALIDHEADER);
}

const Damage kDamages[] = {
    {"ByteOrderSwapped", [](Bytes& b) { b[0] = 0xFF, b[1] = 0xFE; }},
    {"VersionTwo", [](Bytes& b) { b[2] = 2; }},
    {"NoSection", [](Bytes& b) { Put32(b, 24, 0); }},
    {"TwoSections", [](Bytes& b) { Put32(b, 24, 2); }},
    {"SectionInsideTheHeader", [](Bytes& b) { Put32(b, 44, 40); }},
    {"SectionPastTheStream", [](Bytes& b) { Put32(b, 44, 0xFFFFFFF0); }},
    {"SectionSizePastTheStream", [](Bytes& b) { Put32(b, 48, 108); }},
    {"SectionSizeNotAWholeWord", [](Bytes& b) { Put32(b, 48, 102); }},
    {"SectionSizeBelowItsTable", [](Bytes& b) { Put32(b, 48, 32); }},
    {"CountPastTheSection", [](Bytes& b) { Put32(b, 52, 13); }},
    {"CountThatOverflowsTheTable", [](Bytes& b) { Put32(b, 52, 0x20000001); }},
    {"OffsetInsideTheTable", [](Bytes& b) { Put32(b, 68, 40); }},
    {"OffsetNotAligned", [](Bytes& b) { Put32(b, 68, 57); }},
    {"OffsetAtTheSectionEnd", [](Bytes& b) { Put32(b, 92, 104); }},
    {"RepeatedIdentifier", [](Bytes& b) { Put32(b, 72, PIDSI_TITLE); }},
    {"TwoValuesAtOneOffset", [](Bytes& b) { Put32(b, 76, 56); }},
    {"StringRunsIntoTheNextValue", [](Bytes& b) { Put32(b, 124, 5); }},
    {"StringWithoutItsNul", [](Bytes& b) { b[131] = 'd'; }},
    {"WideLengthThatOverflows", [](Bytes& b) { Put32(b, 108, 0x80000001); }},
    {"WideStringWithoutItsNul", [](Bytes& b) { b[116] = 'x'; }},
    {"CodePageNotI2", [](Bytes& b) { b[96] = VT_I4; }},
    {"LastValueCutShort", [](Bytes& b) { Put32(b, 48, 100); }},
    {"FileTimeCutShort", [](Bytes& b) { Put32(b, 92, 140 - 48); }},
};
INSTANTIATE_TEST_SUITE_P(Table, DamagedStream, testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PropertySetStream, AnySingleByteChangeIsReadOrRefusedWithoutHarm) {
    // Under the sanitizers this shows that no damage reads outside the stream.
    for (std::size_t at = 0; at < kKnownGood.size(); ++at) {
        for (int value : {0x00, 0x01, 0x03, 0x1E, 0x1F, 0x40, 0x7F, 0x80, 0xFF}) {
            Bytes stream = kKnownGood;
            stream[at] = static_cast<std::uint8_t>(value);
            PropertySet set;
            const HRESULT hr = ParsePropertySet(stream, set);
            EXPECT_TRUE(hr == S_OK || hr == STG_E_INVALIDHEADER) << at << " " << value;
        }
    }
}

}  // namespace
