#include <gtest/gtest.h>

#include "combaseapi.h"
#include "platform/guid.h"
#include "platform/utf.h"
#include "winerror.h"

namespace {

// {603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8}, field by field.
constexpr GUID kSample = {0x603923EC, 0xB9E0, 0x4EA6, {0x9A, 0x8E, 0xBD, 0x54, 0xA6, 0xD5, 0xFA, 0xF8}};

TEST(GuidText, ParsesBracedFormInEitherCase) {
    for (const char16_t* text : {u"{603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8}", u"{603923ec-b9e0-4ea6-9a8e-bd54a6d5faf8}",
                                 u"{603923eC-B9e0-4Ea6-9a8E-bD54A6d5FaF8}"}) {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromString(text, &clsid), S_OK) << platform::Utf16ToUtf8(text).value_or("?");
        EXPECT_EQ(clsid, kSample);
        IID iid{};
        EXPECT_EQ(IIDFromString(text, &iid), S_OK);
        EXPECT_EQ(iid, kSample);
    }
}

TEST(GuidText, DocumentedIidOfIUnknownParses) {
    IID iid{};
    ASSERT_EQ(IIDFromString(u"{00000000-0000-0000-C000-000000000046}", &iid), S_OK);
    EXPECT_EQ(iid, IID_IUnknown);
}

TEST(GuidText, BadTextIsRefused) {
    const char16_t* bad[] = {
        u"",
        u"603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8",      // no braces
        u"{603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8",     // no closing brace
        u"{603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8}x",   // trailing text
        u"{603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF}",     // one digit short
        u"{603923EC-B9E0-4EA6-9A8EBD54-A6D5FAF8}",    // dash moved
        u"{603923EG-B9E0-4EA6-9A8E-BD54A6D5FAF8}",    // not hex
        u"{603923EC-B9E0-4EA6-9A8E-BD54A6D5FA\u0660" u"8}",  // a non-ASCII digit
        u"{ 03923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8}",
        u"QlmEngine.Engine",                          // ProgIDs are not supported
    };
    for (const char16_t* text : bad) {
        CLSID clsid = kSample;
        EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING) << platform::Utf16ToUtf8(text).value_or("?");
        IID iid{};
        EXPECT_EQ(IIDFromString(text, &iid), E_INVALIDARG);
    }
}

TEST(GuidText, NullTextIsTheNullGuidAndNullOutIsRefused) {
    CLSID clsid = kSample;
    EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
    EXPECT_EQ(clsid, GUID_NULL);
    EXPECT_EQ(CLSIDFromString(u"{603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8}", nullptr), E_INVALIDARG);
}

TEST(GuidText, StringFromGuid2WritesUpperCaseBracedForm) {
    OLECHAR buffer[39];
    ASSERT_EQ(StringFromGUID2(kSample, buffer, 39), 39);
    EXPECT_EQ(std::u16string(buffer), u"{603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8}");
    // Data4's first two bytes stand before the last dash, leading zeros are kept.
    const GUID small = {0x1, 0x2, 0x3, {0x0A, 0x0B, 0, 0, 0, 0, 0, 0x0C}};
    ASSERT_EQ(StringFromGUID2(small, buffer, 39), 39);
    EXPECT_EQ(std::u16string(buffer), u"{00000001-0002-0003-0A0B-00000000000C}");
}

TEST(GuidText, StringFromGuid2NeedsRoomForTheNul) {
    OLECHAR buffer[39];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(StringFromGUID2(kSample, buffer, 38), 0);
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(StringFromGUID2(kSample, nullptr, 39), 0);
}

TEST(GuidText, RoundTripsThroughTheTextForm) {
    const GUID guids[] = {kSample, GUID_NULL, IID_IClassFactory,
                          {0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}};
    for (const GUID& guid : guids) {
        OLECHAR buffer[39];
        ASSERT_EQ(StringFromGUID2(guid, buffer, 39), 39);
        CLSID back{};
        ASSERT_EQ(CLSIDFromString(buffer, &back), S_OK);
        EXPECT_EQ(back, guid);
        EXPECT_EQ(platform::com::ParseGuid(platform::com::GuidToString(guid)), guid);
    }
}

}  // namespace
