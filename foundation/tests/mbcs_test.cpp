// Multibyte stepping in a double-byte code page. The test program runs with
// the Japanese ANSI code page (932) when the system offers it.
#include <gtest/gtest.h>
#include <windows.h>
#include "kfile.h"
#include "kstring.h"
#include "mbcs.h"

TEST(MbsSizeDoubleByte, LeadAndTrailCountTwo) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    EXPECT_EQ(2, _mbssize("\x82\xa0"));
    EXPECT_EQ(3, _mbssize("a\x82\xa0"));
    // The trail byte 0x5C is a backslash on its own; inside the pair it is not.
    EXPECT_EQ(2, _mbssize("\x95\x5c"));
    EXPECT_EQ(1, _mbssize("\x82")) << "a lead byte before the terminator counts one";
}

TEST(MbsSizeDoubleByte, EqualityComparesWholeCharacters) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    kString a((char*)"\x95\x5c"), b((char*)"\x95\x5c"), c((char*)"\x95\x5d");
    EXPECT_EQ(1, a == b);
    EXPECT_EQ(0, a == c);
}

TEST(MbsSizeDoubleByte, LastCharacterAndLastBackslashStepByCharacters) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    // "\x95\x5c" is the character for "table"; its trail byte is 0x5C.
    struct {
        int line;
        const char* text;
        int last;        // offset of the last character, -1 for none
        int backslash;   // offset of the last backslash, -1 for none
    } cases[] = {
        {__LINE__, "C:\\\x95\x5c", 3, 2},
        {__LINE__, "C:\\\x95\x5c\\", 5, 5},
        {__LINE__, "C:\\dir\\\x95\x5c\\x", 10, 9},
        {__LINE__, "\x95\x5c", 0, -1},
        {__LINE__, "a\\", 1, 1},
        {__LINE__, "", -1, -1},
    };
    for (const auto& c : cases) {
        const char* last = mb_last_char(c.text);
        const char* backslash = mb_find_last(c.text, '\\');
        EXPECT_EQ(c.last, last ? (int)(last - c.text) : -1) << "line " << c.line;
        EXPECT_EQ(c.backslash, backslash ? (int)(backslash - c.text) : -1) << "line " << c.line;
    }
}
