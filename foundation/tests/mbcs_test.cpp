// Multibyte stepping in a double-byte code page. The test program runs with
// the Japanese ANSI code page (932) when the system offers it.
#include <gtest/gtest.h>
#include <windows.h>
#include "kfile.h"
#include "kstring.h"

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
