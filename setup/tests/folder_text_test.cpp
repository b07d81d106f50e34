// Folder texts of the install run. Rows with the double-byte character
// "\x95\x5c" (its trail byte is a backslash's value) run only where the
// system's code page makes 0x95 a lead byte (932, Japanese).
#include <gtest/gtest.h>
#include <string>
#include "folder_text.h"
#include "mbcs.h"

namespace {

const char kTable[] = "\x95\x5c";

bool double_byte_system() {
    return mb_is_lead((unsigned char)kTable[0]) != 0;
}

std::string text_of(const kString& s) {
    return s.text ? s.text : "(unset)";
}

TEST(FolderText, StripOneBackslashTakesOnlyAWholeBackslash) {
    struct {
        int line;
        bool double_byte;
        const char* folder;
        const char* expected;
    } cases[] = {
        {__LINE__, false, "C:\\Program Files\\Vantrel\\", "C:\\Program Files\\Vantrel"},
        {__LINE__, false, "C:\\", "C:"},
        {__LINE__, false, "C:\\dir\\\\", "C:\\dir\\"},
        {__LINE__, false, "C:\\dir", "C:\\dir"},
        {__LINE__, false, "", ""},
        {__LINE__, true, "C:\\\x95\x5c", "C:\\\x95\x5c"},
        {__LINE__, true, "C:\\\x95\x5c\\", "C:\\\x95\x5c"},
        {__LINE__, true, "C:\\a\x95\x5c\x95\x5c", "C:\\a\x95\x5c\x95\x5c"},
    };
    for (const auto& c : cases) {
        if (c.double_byte && !double_byte_system())
            continue;
        kString folder((char*)c.folder);
        strip_one_backslash(folder);
        EXPECT_EQ(c.expected, text_of(folder)) << "line " << c.line;
    }
    kString unset;
    strip_one_backslash(unset);
    EXPECT_EQ(nullptr, unset.text);
}

TEST(FolderText, FolderOfEndsAtTheLastWholeBackslash) {
    struct {
        int line;
        bool double_byte;
        const char* path;
        int ok;
        const char* folder;  // "(kept)" when the old text stays
    } cases[] = {
        {__LINE__, false, "C:\\Links\\Sample.lnk", 1, "C:\\Links"},
        {__LINE__, false, "C:\\a\\b\\c.lnk", 1, "C:\\a\\b"},
        {__LINE__, false, "C:\\x.lnk", 1, "C:"},
        {__LINE__, false, "x.lnk", 0, "(kept)"},
        {__LINE__, false, "\\x.lnk", 0, "(kept)"},
        {__LINE__, false, "", 0, "(kept)"},
        {__LINE__, true, "C:\\Links\\\x95\x5c.lnk", 1, "C:\\Links"},
        {__LINE__, true, "C:\\\x95\x5c\\a.lnk", 1, "C:\\\x95\x5c"},
        {__LINE__, true, "C:\\Links\\\x95\x5c", 1, "C:\\Links"},
        {__LINE__, true, "\x95\x5c.lnk", 0, "(kept)"},
    };
    for (const auto& c : cases) {
        if (c.double_byte && !double_byte_system())
            continue;
        kString folder((char*)"(kept)");
        EXPECT_EQ(c.ok, folder_of(c.path, folder)) << "line " << c.line;
        EXPECT_EQ(c.folder, text_of(folder)) << "line " << c.line;
    }
    kString folder((char*)"(kept)");
    EXPECT_EQ(0, folder_of(nullptr, folder));
    EXPECT_EQ("(kept)", text_of(folder));
}

TEST(FolderText, DoubleByteRowsRanWhereTheCodePageHasThem) {
    // Tells in the test output whether the double-byte rows above ran.
    if (!double_byte_system())
        GTEST_SKIP() << "0x95 is no lead byte in this code page";
    EXPECT_EQ(2, mb_char_size(kTable));
}

}  // namespace
