// Where the program's name ends on setup.exe's command line. Wine re-quotes
// an unquoted program path with blanks when it starts a process, so the cut
// is tested on the text itself, as Windows hands it over.
#include <gtest/gtest.h>
#include <string>
#include "entry.h"

namespace {

TEST(CommandLine, ArgumentsFollowTheProgramsOwnPath) {
    const char* const names[] = {"C:\\Program Files\\Vantrel\\setup.exe", "C:\\PROGRA~1\\Vantrel\\setup.exe",
                                 "C:\\Program Files\\Vantrel\\setup", "C:\\PROGRA~1\\Vantrel\\setup"};
    struct {
        int line;
        const char* command_line;
        const char* arguments;
    } cases[] = {
        {__LINE__, "C:\\Program Files\\Vantrel\\setup.exe uninstall1,C:\\Program Files\\Vantrel\\uninst.dat,Vantrel,K",
         "uninstall1,C:\\Program Files\\Vantrel\\uninst.dat,Vantrel,K"},
        {__LINE__, "c:\\program files\\VANTREL\\Setup.EXE  uninstall2,a,b,c", "uninstall2,a,b,c"},
        {__LINE__, "C:\\PROGRA~1\\Vantrel\\setup.exe uninstall1,a,b,c", "uninstall1,a,b,c"},
        {__LINE__, "C:\\Program Files\\Vantrel\\setup uninstall1,a,b,c", "uninstall1,a,b,c"},
        {__LINE__, "\"C:\\Program Files\\Vantrel\\setup.exe\" uninstall1,a,b,c", "uninstall1,a,b,c"},
        {__LINE__, "\"C:\\Program Files\\Vantrel\\setup.exe\"", ""},
        {__LINE__, "C:\\Program Files\\Vantrel\\setup.exe", ""},
        {__LINE__, "C:\\Program Files\\Vantrel\\setup.exe\t", ""},
        // Another program's path, or a path that only begins like ours: the
        // name ends at the first blank.
        {__LINE__, "C:\\Program Files\\Vantrel\\setup.exe.old x", "Files\\Vantrel\\setup.exe.old x"},
        {__LINE__, "D:\\setup.exe uninstall1,a,b,c", "uninstall1,a,b,c"},
        {__LINE__, "setup.exe", ""},
        {__LINE__, "", ""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.arguments, arguments_after_program(c.command_line, names, 4)) << "line " << c.line;
}

TEST(CommandLine, RunningProgramFindsItsOwnPath) {
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    std::string line = std::string(path) + " uninstall2,x,y,z";
    EXPECT_STREQ("uninstall2,x,y,z", own_arguments(line.c_str()));
}

}  // namespace
