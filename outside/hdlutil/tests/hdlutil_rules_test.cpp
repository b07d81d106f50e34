// The network helper's readings of texts: its command line and the install
// list.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "command_line.h"
#include "install_scan.h"

namespace {

TEST(CommandLine, ArgumentsAreReadFromTheEnd) {
    struct {
        int line;
        std::string command_line;
        std::string expected;  // tag|argument|mode, or "" when refused
    } cases[] = {
        // Windows hands over an unquoted program path with blanks as given;
        // Wine quotes it.
        {__LINE__, "C:\\My Media\\hdlutil.exe \"build160\" \"C:\\My Media\" 0", "build160|C:\\My Media|0"},
        {__LINE__, "\"C:\\My Media\\hdlutil.exe\" \"build160\" \"C:\\My Media\" 0", "build160|C:\\My Media|0"},
        // A drive root: the backslash before the closing quote stays.
        {__LINE__, "E:\\\\hdlutil.exe \"build160\" \"E:\\\" 0", "build160|E:\\|0"},
        {__LINE__, "hdlutil.exe \t\"build160\"  \"Vantrel\"\t4  ", "build160|Vantrel|4"},
        {__LINE__, "hdlutil.exe build160 \"\" 12", "build160||12"},
        {__LINE__, "hdlutil.exe \"b\" \"" + std::string(259, 'f') + "\" 0", "b|" + std::string(259, 'f') + "|0"},
        {__LINE__, "hdlutil.exe \"b\" \"" + std::string(260, 'f') + "\" 0", ""},
        {__LINE__, "hdlutil.exe \"build160\" \"Vantrel\"", ""},
        {__LINE__, "hdlutil.exe \"build160\" \"Vantrel\" \"4\"", ""},
        {__LINE__, "hdlutil.exe \"build160\" \"Vantrel\" 4x", ""},
        {__LINE__, "hdlutil.exe \"build160\" \"Vantrel\" 1234567890", ""},
        {__LINE__, "hdlutil.exe \"build160\"\"Vantrel\" 4", ""},
        {__LINE__, "hdlutil.exe \"build160\" Vantrel\" 4", ""},
        {__LINE__, "\"Vantrel\" 4", ""},
        {__LINE__, "", ""},
    };
    for (const auto& c : cases) {
        HdlCommand command;
        memset(&command, 0xBD, sizeof command);
        int result = parse_hdl_command(c.command_line.c_str(), &command);
        std::string read =
            result ? std::string(command.tag) + "|" + command.argument + "|" + std::to_string(command.mode) : "";
        EXPECT_EQ(c.expected, read) << "line " << c.line;
        EXPECT_TRUE(result || command.tag[0] == (char)0xBD) << "line " << c.line;
    }
}

int collect(const ScannedEntry& entry, void* context) {
    *(std::string*)context += std::string(entry.name) + (entry.marked ? "&" : "") + ">" + entry.dest + " ";
    return 1;
}

TEST(InstallList, ReadAsTheInstallScriptReadsIt) {
    const std::string name259(259, 'n'), name260(260, 'n');
    struct {
        int line;
        std::string list;
        long result;
        std::string entries;
    } cases[] = {
        {__LINE__, "total=2;\nsrc=a.exe;\ndest=a.exe;\nsrc=b.dat;& dest=h\\b.dat;", 2, "a.exe>a.exe b.dat&>h\\b.dat "},
        {__LINE__, "total=0x2; src=a; dest=a; src=b; dest=b; src=c; dest=c;", 2, "a>a b>b "},
        // Fewer entries than the count: the ones found are the list.
        {__LINE__, "total=010; src=a; dest=a; src=b; dest=b;", 2, "a>a b>b "},
        // Only the first "total" counts, wherever it is.
        {__LINE__, "src=a; dest=a; total=1; total=5;", 1, "a>a "},
        {__LINE__, "src=total.txt; dest=t; total=1;", -1, ""},
        {__LINE__, "total=0; src=a; dest=a;", -1, ""},
        {__LINE__, "total=-1; src=a; dest=a;", -1, ""},
        {__LINE__, "total=1;", -1, ""},
        {__LINE__, "total=1; src=a", -1, ""},
        {__LINE__, "total=2; src=a; dest=a; src=b;", -1, "a>a "},
        {__LINE__, "total=1; src=" + name259 + "; dest=d;", 1, name259 + ">d "},
        {__LINE__, "total=1; src=" + name260 + "; dest=d;", -1, ""},
        {__LINE__, "total=" + std::string(260, '0') + "1; src=a; dest=a;", -1, ""},
        // The list ends at its first zero byte.
        {__LINE__, std::string("total=2; src=a; dest=a;\0src=b; dest=b;", 38), 1, "a>a "},
    };
    for (const auto& c : cases) {
        std::string entries;
        EXPECT_EQ(c.result, scan_install_list(c.list.c_str(), collect, &entries)) << "line " << c.line;
        EXPECT_EQ(c.entries, entries) << "line " << c.line;
    }
}

}  // namespace
