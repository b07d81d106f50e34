// The install list as the product script reads it.
#include <gtest/gtest.h>
#include "install_list.h"

namespace {

TEST(InstallList, CountsInEveryBase) {
    struct {
        int line;
        const char* text;
        long total;
        size_t entries;
    } cases[] = {
        {__LINE__, "total=2; src=a;dest=a; src=b;dest=b;", 2, 2},
        {__LINE__, "total=0x2; src=a;dest=a; src=b;dest=b; src=c;dest=c;", 2, 2},
        {__LINE__, "total=010; src=a;dest=a;", 8, 1},  // fewer entries than the count are kept
        {__LINE__, "noise total=1;\n\n src=a;\r\n dest=x\\y;", 1, 1},
    };
    for (auto& c : cases) {
        std::vector<ListEntry> entries;
        long total = 0;
        EXPECT_EQ("", read_install_list(c.text, entries, total)) << "line " << c.line;
        EXPECT_EQ(c.total, total) << "line " << c.line;
        EXPECT_EQ(c.entries, entries.size()) << "line " << c.line;
    }
}

TEST(InstallList, RefusedLists) {
    const char* bad[] = {
        "total=0; src=a;dest=a;",
        "src=a;dest=a;",
        "total=1;",
        "total=1; src=a;",
        "total=1; src=a",
        "total=2",
    };
    for (const char* text : bad) {
        std::vector<ListEntry> entries;
        long total = 0;
        EXPECT_NE("", read_install_list(text, entries, total)) << text;
    }
    std::vector<ListEntry> entries;
    long total = 0;
    std::string too_long = "total=1; src=" + std::string(260, 'n') + ";dest=a;";
    EXPECT_NE("", read_install_list(too_long, entries, total));
    std::string longest = "total=1; src=" + std::string(259, 'n') + ";dest=a;";
    EXPECT_EQ("", read_install_list(longest, entries, total));
}

TEST(InstallList, MarkOnlyRightAfterTheNamesSemicolon) {
    std::vector<ListEntry> entries;
    long total = 0;
    ASSERT_EQ("", read_install_list("total=3; src=a.dll;& dest=a; src=b.dll; & dest=b; src=c;dest=&c;", entries, total));
    EXPECT_TRUE(entries[0].marked);
    EXPECT_FALSE(entries[1].marked);
    EXPECT_FALSE(entries[2].marked);
    EXPECT_EQ("&c", entries[2].dest);
}

TEST(InstallList, WriterAndReaderAgree) {
    std::vector<ListEntry> written = {{"hub.exe", false, "hub.exe"}, {"help.dat", true, "help\\help.dat"}};
    std::vector<ListEntry> read;
    long total = 0;
    ASSERT_EQ("", read_install_list(write_install_list(written), read, total));
    ASSERT_EQ(2u, read.size());
    for (size_t i = 0; i < 2; i++) {
        EXPECT_EQ(written[i].name, read[i].name);
        EXPECT_EQ(written[i].marked, read[i].marked);
        EXPECT_EQ(written[i].dest, read[i].dest);
    }
}

}  // namespace
