#include <gtest/gtest.h>

#include <string>

#include "StatusMessage.h"
#include "platform/fault_injection.h"
#include "windows.h"

namespace {

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

struct Case {
    DWORD status;
    const char* text;
};

TEST(StatusMessage, FixedTextsForProtectedContent) {
    const Case cases[] = {
        {0x800FF003, "Incorrect Quillmarsh username or password."},
        {0x800FF00D, "Decryption period has not yet started. Please try again later."},
        {0x800FF00E, "Decryption period has expired. Content can no longer be decrypted."},
        {0x800FF015, "Corrupted Quillmarsh content. Error 0x800FF015."},
        {0x800FF016, "Corrupted Quillmarsh content. Error 0x800FF016."},
        {0x800FF01B, "Corrupted Quillmarsh content. Error 0x800FF01B."},
    };
    for (const Case& c : cases) EXPECT_EQ(Narrow(qlmfile::StatusMessage(static_cast<HRESULT>(c.status))), c.text);
}

TEST(StatusMessage, SystemTextWholeThenLow16BitsThenGenericLine) {
    const Case cases[] = {
        // Found as it stands, closing line break included.
        {0x80070057, "The parameter is incorrect.\n"},
        {0x80090005, "Bad data.\n"},
        {0x80040154, "Class not registered.\n"},
        // Not in the table as an HRESULT: the text of its low 16 bits.
        {0x80070570, "The file or directory is corrupted and unreadable.\n"},
        {0x80070020, "The process cannot access the file because it is being used by another process.\n"},
        {0x80070070, "There is not enough space on the disk.\n"},
        {0x80070459, "No mapping for the Unicode character exists in the target multi-byte code page.\n"},
        // No text at all: the generic line, upper-case hexadecimal.
        {0x800FF004, "Error Occurred: 0x800FF004"},
        {0x800FF005, "Error Occurred: 0x800FF005"},
        {0x800FF017, "Error Occurred: 0x800FF017"},
        {0x8000ABCD, "Error Occurred: 0x8000ABCD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Narrow(qlmfile::StatusMessage(static_cast<HRESULT>(c.status))), c.text) << std::hex << c.status;
}

TEST(StatusMessage, GenericLineWhenTheSystemGivesNothing) {
    platform::fault::Scoped noMessages("FormatMessageW", ERROR_NOT_ENOUGH_MEMORY, 1, 0);
    EXPECT_EQ(Narrow(qlmfile::StatusMessage(static_cast<HRESULT>(0x80070057))), "Error Occurred: 0x80070057");
}

TEST(StatusMessage, NewerVersionNoticeWithBothAddresses) {
    const std::string text = Narrow(qlmfile::StatusMessage(static_cast<HRESULT>(0x80090007)));
    EXPECT_EQ(text.rfind("A newer version of this Quillmarsh component must be used. Please close your application "
                         "and go to https://",
                         0),
              0u);
    const auto download = text.find("/downloads/downloads.aspx to get the latest version of this client. ");
    const auto panel = text.find("using \"Control Panel\", \"Add or Remove Programs\" in Windows XP or "
                                 "\"Program Features\" in Windows Vista. Please also check out https://");
    const auto faq = text.find("/faq/faq.aspx for information related to the latest version or installation steps.");
    ASSERT_NE(download, std::string::npos);
    ASSERT_NE(panel, std::string::npos);
    ASSERT_NE(faq, std::string::npos);
    EXPECT_LT(download, panel);
    EXPECT_LT(panel, faq);
    EXPECT_EQ(text.back(), '.');
}

}  // namespace
