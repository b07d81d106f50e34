// kString and kPtrVector: set states, equality, formatting, splitting.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "kstring.h"

namespace {

std::vector<std::string> fields_of(kPtrVector<kString>& out) {
    std::vector<std::string> fields;
    for (unsigned int i = 0; i < out.count; i++)
        fields.push_back(out.items[i]->text);
    return fields;
}

struct SplitCase {
    int line;
    const char* text;
    const char* separator;
    int count;
    std::vector<std::string> fields;
};

}  // namespace

TEST(kStringSplit, FieldsAndCounts) {
    const SplitCase cases[] = {
        {__LINE__, "a;;b;", ";", 2, {"a", "b"}},
        {__LINE__, ";", ";", 0, {}},
        {__LINE__, "abc", ";", 1, {"abc"}},
        {__LINE__, ";;a", ";", 1, {"a"}},
        {__LINE__, "a, b,c, d", ", ", 3, {"a", "b,c", "d"}},
        {__LINE__, "a,  b", ", ", 2, {"a", " b"}},
        {__LINE__, "uninstall1,,A,N,K", ",", 4, {"uninstall1", "A", "N", "K"}},
        {__LINE__, ",,,,", ",", 0, {}},
        {__LINE__, "", ",", 0, {}},
        {__LINE__, "a b", "", 0, {}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.line);
        kString s((char*)c.text);
        kPtrVector<kString> out;
        EXPECT_EQ(c.count, s.split((char*)c.separator, out));
        EXPECT_EQ(c.fields, fields_of(out));
        EXPECT_STREQ(c.text, s.text) << "split must leave the text as it was";
        out.destroy_all();
    }
}

TEST(kStringSplit, AppendsAfterExistingItemsAndRefusesNulls) {
    kPtrVector<kString> out;
    out.append(new kString((char*)"first"));
    kString s((char*)"x;y");
    EXPECT_EQ(2, s.split((char*)";", out));
    EXPECT_EQ(3u, out.count);
    EXPECT_EQ(0, s.split(nullptr, out));
    kString unset;
    EXPECT_EQ(0, unset.split((char*)";", out));
    EXPECT_EQ(3u, out.count);
    out.destroy_all();
}

TEST(kStringSet, UnsetAndEmptyDiffer) {
    kString s((char*)"abc");
    EXPECT_EQ(1, s.set(nullptr));
    EXPECT_EQ(nullptr, s.text);
    EXPECT_EQ(nullptr, (char*)s);
    EXPECT_EQ(1, s.set(""));
    ASSERT_NE(nullptr, s.text);
    EXPECT_STREQ("", s.text);
    s.clear();
    EXPECT_EQ(nullptr, s.text);
}

TEST(kStringSet, CopiesAreIndependent) {
    kString a((char*)"one");
    kString b(a);
    ASSERT_NE(a.text, b.text);
    b = "two";
    EXPECT_STREQ("one", a.text);
    a = b;
    EXPECT_STREQ("two", a.text);
    EXPECT_NE(a.text, b.text);
    kString& same = a;
    a = same;
    EXPECT_STREQ("two", a.text);
}

TEST(kStringCompare, ExactAndCaseSensitive) {
    kString a((char*)"Vantrel"), b((char*)"Vantrel"), c((char*)"vantrel");
    EXPECT_EQ(1, a == b);
    EXPECT_EQ(0, a == c);
    EXPECT_EQ(1, a == (char*)"Vantrel");
    EXPECT_EQ(0, a == (char*)"Vantre");
    EXPECT_EQ(0, a == (char*)"Vantrel ");
}

TEST(kStringFormat, FormatsAndMayUseItsOwnText) {
    kString s;
    EXPECT_EQ(1, s.sprintf((char*)"%s\\%s", "C:\\Program Files", "Vantrel"));
    EXPECT_STREQ("C:\\Program Files\\Vantrel", s.text);
    EXPECT_EQ(1, s.sprintf((char*)"%s\\%.8lx", s.text, 0x1234ul));
    EXPECT_STREQ("C:\\Program Files\\Vantrel\\00001234", s.text);
}

TEST(kPtrVector, StartsWithFiftySlotsAndGrowsByFifty) {
    kPtrVector<kString> v;
    EXPECT_EQ(50u, v.capacity);
    EXPECT_EQ(50u, v.step);
    EXPECT_EQ(0u, v.count);
    kString item;
    for (int i = 0; i < 50; i++)
        EXPECT_EQ(i, v.append(&item));
    EXPECT_EQ(50u, v.capacity);
    EXPECT_EQ(50, v.append(&item));
    EXPECT_EQ(100u, v.capacity);
    EXPECT_EQ(nullptr, v.items[51]) << "new slots start null";
}

TEST(kPtrVector, IndexPastTheEndGrowsToExactlyThatSlot) {
    kPtrVector<kString> v;
    EXPECT_EQ(nullptr, v[7]);
    EXPECT_EQ(8u, v.count);
    EXPECT_EQ(8u, v.capacity);
    kString item;
    v[2] = &item;
    EXPECT_EQ(&item, v.items[2]);
    EXPECT_EQ(8, v.append(&item)) << "append after growth continues at count";
}
