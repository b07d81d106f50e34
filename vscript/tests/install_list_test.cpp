// The install list scanner: the count, the three fields, the "&" mark, the
// lists it refuses, and lists that are cut short or hold zero bytes.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "install_list.h"

namespace {

struct Scan {
    int result;
    std::vector<std::string> entries;  // "name|dest" with "&" after a marked name
};

int collect(const InstallEntry& entry, void* context) {
    std::vector<std::string>* entries = (std::vector<std::string>*)context;
    entries->push_back(std::string(entry.name) + (entry.marked ? "&" : "") + "|" + entry.dest);
    return 1;
}

Scan scan(const std::string& text) {
    Scan out;
    out.result = scan_install_list(text.data(), text.size(), collect, &out.entries);
    return out;
}

TEST(InstallList, ReadsEntriesAsTheInstallerDoes) {
    std::string long_name(259, 'n'), too_long(260, 'n');
    struct {
        int line;
        std::string text;
        int result;
        std::vector<std::string> entries;
    } cases[] = {
        {__LINE__, "total=2; src=hub.exe; dest=hub.exe; src=help.dat;& dest=help\\help.dat;", kListComplete,
         {"hub.exe|hub.exe", "help.dat&|help\\help.dat"}},
        {__LINE__, "total=2;\r\nsrc=a;\r\ndest=a;\r\n", kListShort, {"a|a"}},
        {__LINE__, "total=0x2; src=a; dest=a; src=b; dest=b; src=c; dest=c;", kListComplete, {"a|a", "b|b"}},
        {__LINE__, "total=010; src=a; dest=a; src=b; dest=b;", kListShort, {"a|a", "b|b"}},
        {__LINE__, "total=0; src=a; dest=a;", kListUnusable, {}},
        {__LINE__, "total=x; src=a; dest=a;", kListUnusable, {}},
        {__LINE__, "src=a; dest=a;", kListUnusable, {}},
        {__LINE__, "total=1;", kListUnusable, {}},
        {__LINE__, "total", kListMalformed, {}},
        {__LINE__, "total=1; src=a;", kListMalformed, {}},
        {__LINE__, "total=2; src=a; dest=a; src=b;", kListMalformed, {"a|a"}},
        // A "&" counts only right after the name's ";".
        {__LINE__, "total=1; src=a; & dest=a;", kListComplete, {"a|a"}},
        // The first "total" counts, wherever it stands.
        {__LINE__, "total=1; src=total.txt; dest=x; total=5;", kListComplete, {"total.txt|x"}},
        {__LINE__, "total=1; src=" + long_name + "; dest=x;", kListComplete, {long_name + "|x"}},
        {__LINE__, "total=1; src=" + too_long + "; dest=x;", kListMalformed, {}},
        {__LINE__, "total=1; src=a; dest=" + too_long + ";", kListMalformed, {}},
        {__LINE__, "total=" + too_long + "; src=a; dest=a;", kListMalformed, {}},
        // Destinations stay inside the install folder.
        {__LINE__, "total=1; src=a; dest=C:\\Windows\\a;", kListMalformed, {}},
        {__LINE__, "total=1; src=a; dest=\\a;", kListMalformed, {}},
        {__LINE__, "total=1; src=a; dest=..\\a;", kListMalformed, {}},
        {__LINE__, "total=1; src=a; dest=help\\..\\..\\a;", kListMalformed, {}},
        {__LINE__, "total=1; src=a; dest=help\\..;", kListMalformed, {}},
        {__LINE__, "total=1; src=a; dest=;", kListMalformed, {}},
        {__LINE__, "total=1; src=a; dest=a..b\\...x;", kListComplete, {"a|a..b\\...x"}},
        // A zero byte inside a field would cut the name: refused.
        {__LINE__, std::string("total=1; src=a\0b; dest=a;", 25), kListMalformed, {}},
        {__LINE__, std::string("\0total=1;\0src=a;\0dest=a;", 24), kListComplete, {"a|a"}},
        {__LINE__, std::string("total=1; src=a; dest=b\0c;", 25), kListMalformed, {}},
        // A count that is not above 0 leaves nothing to install.
        {__LINE__, "total=-3; src=a; dest=a;", kListUnusable, {}},
        {__LINE__, "total=;src=a;dest=a;", kListUnusable, {}},
        // A count far above the entries: the ones there are read.
        {__LINE__, "total=0x7fffffff; src=a; dest=a;", kListShort, {"a|a"}},
        // The count field ends at its own ";", not at a later one.
        {__LINE__, "total=1 src=a; dest=a;", kListComplete, {"a|a"}},
        {__LINE__, "total=1; dest=x; src=a; dest=a;", kListComplete, {"a|a"}},
    };
    for (const auto& c : cases) {
        Scan got = scan(c.text);
        EXPECT_EQ(c.result, got.result) << "line " << c.line;
        EXPECT_EQ(c.entries, got.entries) << "line " << c.line;
    }
}

TEST(InstallList, DestinationsStayInsideTheInstallFolder) {
    struct {
        int line;
        const char* dest;
        int inside;
    } cases[] = {
        {__LINE__, "hub.exe", 1},
        {__LINE__, "help\\index.html", 1},
        {__LINE__, "help/index.html", 1},
        {__LINE__, "a..b\\...x", 1},
        {__LINE__, ".\\hub.exe", 1},
        {__LINE__, ".hidden\\x", 1},
        {__LINE__, "", 0},
        {__LINE__, "..", 0},
        {__LINE__, "..\\hub.exe", 0},
        {__LINE__, "../hub.exe", 0},
        {__LINE__, "help\\..\\..\\hub.exe", 0},
        {__LINE__, "help\\..", 0},
        // Parts of dots and blanks that Windows' path rules may trim to "..".
        {__LINE__, "... \\hub.exe", 0},
        {__LINE__, "help\\.. ", 0},
        {__LINE__, "\\hub.exe", 0},
        {__LINE__, "/hub.exe", 0},
        {__LINE__, "\\\\server\\share\\hub.exe", 0},
        {__LINE__, "C:\\Windows\\hub.exe", 0},
        {__LINE__, "C:hub.exe", 0},
        {__LINE__, "hub.exe:stream", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.inside, dest_is_relative(c.dest)) << "line " << c.line << ": " << c.dest;
}

TEST(InstallList, FieldsRunningToTheEndAreRefusedWithoutOverrun) {
    // No ";" after a name, a path or the count, in a text that ends there
    // exactly (a copy of its bytes only, so that the sanitizers see overruns).
    for (std::string text : {"total=1; src=abc", "total=1; src=a; dest=abc", "total=12", "total=1; src=a;& dest"}) {
        std::vector<char> bytes(text.begin(), text.end());
        std::vector<std::string> entries;
        EXPECT_EQ(kListMalformed, scan_install_list(bytes.data(), bytes.size(), collect, &entries)) << text;
        EXPECT_TRUE(entries.empty()) << text;
    }
    // A name without its ";" in megabytes of text.
    std::string text = "total=1; src=" + std::string(8 << 20, 'x');
    EXPECT_EQ(kListMalformed, scan(text).result);
}

TEST(InstallList, CutAtEveryByteNeverReadsPastTheEnd) {
    std::string full = "total=3; src=hub.exe; dest=hub.exe; src=a.dll;& dest=bin\\a.dll; src=b; dest=b;";
    for (size_t n = 0; n <= full.size(); n++) {
        // A copy of exactly n bytes, so that the sanitizers see any overrun.
        std::vector<char> cut(full.begin(), full.begin() + n);
        std::vector<std::string> entries;
        int result = scan_install_list(cut.data(), cut.size(), collect, &entries);
        EXPECT_NE(0, result) << n;
        EXPECT_LE(entries.size(), 3u) << n;
    }
}

TEST(InstallList, LargeListsAreScannedWhole) {
    std::string text = "total=20000;";
    for (int i = 0; i < 20000; i++)
        text += " src=file" + std::to_string(i) + ".dat; dest=data\\file" + std::to_string(i) + ".dat;";
    Scan got = scan(text);
    EXPECT_EQ(kListComplete, got.result);
    ASSERT_EQ(20000u, got.entries.size());
    EXPECT_EQ("file19999.dat|data\\file19999.dat", got.entries.back());
}

TEST(InstallList, VisitorMayStopTheScan) {
    std::string text = "total=2; src=a; dest=a; src=b; dest=b;";
    int calls = 0;
    int result = scan_install_list(text.data(), text.size(),
                                   [](const InstallEntry&, void* c) { return ++*(int*)c, 0; }, &calls);
    EXPECT_EQ(kListStopped, result);
    EXPECT_EQ(1, calls);
}

}  // namespace
