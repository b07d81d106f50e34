// Text rules of install-folder paths and command lines (every build).
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "paths.h"
#include "pathtext.h"

TEST(Validtext, RefusesTheSevenCharactersAndNull) {
    EXPECT_EQ(0, validtext(nullptr));
    EXPECT_EQ(1, validtext((char*)""));
    EXPECT_EQ(1, validtext((char*)"a:b"));  // the colon's place is path_is_ok's concern
    EXPECT_EQ(1, validtext((char*)"C:\\Program Files\\Tool,1 (x)"));
    for (const char* bad : {"a/b", "a*", "?", "a\"b", "<", "a>b", "|x"})
        EXPECT_EQ(0, validtext((char*)bad)) << bad;
}

TEST(PathText, RefusesBadFolders) {
    struct {
        int line;
        const char* path;
        int root_ok;
    } cases[] = {
        {__LINE__, "C:\\Program Files\\", 0},  // trailing backslash
        {__LINE__, "C:\\Program Files\\", 1},
        {__LINE__, "C:\\Tools ", 0},           // trailing blank
        {__LINE__, "C:\\a\\\\b", 0},           // double backslash
        {__LINE__, "C:\\a \\b", 0},            // blank before a separator
        {__LINE__, "C:\\a,b", 0},              // comma
        {__LINE__, "C:\\ab,", 0},              // comma as the last character too
        {__LINE__, "Cx\\abc", 0},              // no colon
        {__LINE__, "C:\\a*b", 0},
        {__LINE__, "C:\\a/b", 0},
        {__LINE__, "C:\\a?b", 0},
        {__LINE__, "C:\\", 0},                 // bare root without root_ok
        {__LINE__, "C:", 1},
        {__LINE__, "", 1},
        {__LINE__, nullptr, 1},
    };
    for (auto& c : cases)
        EXPECT_EQ(0, path_text_ok(c.path, c.root_ok)) << "line " << c.line;
}

TEST(PathText, AcceptsFoldersAndRootWhenAllowed) {
    EXPECT_EQ(1, path_text_ok("C:\\", 1));
    EXPECT_EQ(1, path_text_ok("C:\\a", 0));
    EXPECT_EQ(1, path_text_ok("D:\\Program Files\\Vantrel", 0));
    EXPECT_EQ(1, path_text_ok("C:\\a b\\c.d", 0));
}

TEST(PathCuts, FindsBackslashesAfterTheFirstCharacter) {
    int cuts[kMaxPathLevels];
    ASSERT_EQ(2, path_cuts("C:\\Program Files\\Tool", cuts));
    EXPECT_EQ(2, cuts[0]);
    EXPECT_EQ(16, cuts[1]);
    EXPECT_EQ(0, path_cuts("", cuts));
    EXPECT_EQ(0, path_cuts("\\", cuts));  // the first character is never a cut
    EXPECT_EQ(1, path_cuts("\\\\", cuts));
}

TEST(PathCuts, RefusesMoreThan127Levels) {
    std::string path = "C:";
    for (int i = 0; i < kMaxPathLevels; i++)
        path += "\\a";
    int cuts[kMaxPathLevels];
    EXPECT_EQ(kMaxPathLevels, path_cuts(path.c_str(), cuts));
    EXPECT_EQ((int)path.size() - 2, cuts[kMaxPathLevels - 1]);
    path += "\\a";
    EXPECT_EQ(-1, path_cuts(path.c_str(), cuts));
}

TEST(CommandFolder, UpToAndIncludingTheFirstBackslash) {
    char folder[260];
    ASSERT_EQ(1, command_folder("C:\\Tools\\run.exe /q", folder, sizeof folder));
    EXPECT_STREQ("C:\\", folder);
    ASSERT_EQ(1, command_folder("\"C:\\Program Files\\run.exe\" /q", folder, sizeof folder));
    EXPECT_STREQ("C:\\", folder);
    memset(folder, 0xbd, sizeof folder);
    EXPECT_EQ(0, command_folder("run.exe /q", folder, sizeof folder));
    EXPECT_EQ((char)0xbd, folder[0]);
    EXPECT_EQ(0, command_folder("C:\\x", folder, 3));  // "C:\" and its zero need 4
    EXPECT_EQ(1, command_folder("C:\\x", folder, 4));
}
