// kString: copies, equality, splitting.
#include <gtest/gtest.h>
#include "kstring.h"

TEST(kStringSplit, DropsEmptyFields) {
    kString s((char*)"a;;b;");
    kPtrVector<kString> out;
    EXPECT_EQ(2, s.split((char*)";", out));
    out.destroy_all();
}
