// Install-folder checks and creation against the real file system.
#include <gtest/gtest.h>
#include "testkit.h"
#include <windows.h>
#include <string>
#include "paths.h"

static const char kBase[] = "C:\\VantrelPathTest";

class PathTest : public testing::Test {
protected:
    void SetUp() override {
        testkit::remove_tree(kBase);
        ASSERT_TRUE(CreateDirectoryA(kBase, nullptr));
    }
    void TearDown() override { testkit::remove_tree(kBase); }

    static std::string at(const char* rest) { return std::string(kBase) + "\\" + rest; }
    static void make_file(const std::string& path) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        CloseHandle(file);
    }
    static DWORD attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
    static int is_folder(const std::string& path) {
        DWORD a = attributes(path);
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    }
};

TEST_F(PathTest, PathIsOkRefusesBadForms) {
    struct {
        int line;
        const char* path;
    } cases[] = {
        {__LINE__, "C:\\Program Files\\"}, {__LINE__, "C:\\Tools "}, {__LINE__, "C:\\a\\\\b"},
        {__LINE__, "C:\\a \\b"},           {__LINE__, "C:\\a,b"},    {__LINE__, "Cx\\abc"},
        {__LINE__, "C:\\a,"},              {__LINE__, "C:\\a|b"},    {__LINE__, "C:"},
    };
    for (auto& c : cases) {
        std::string path = c.path;
        EXPECT_EQ(0, path_is_ok(&path[0], 0, 0)) << "line " << c.line;
        EXPECT_EQ(0, path_is_ok(&path[0], 1, 1)) << "line " << c.line;
    }
    EXPECT_EQ(0, path_is_ok(nullptr, 1, 1));
}

TEST_F(PathTest, BareRootOnlyWithRootOk) {
    char root[] = "C:\\";
    EXPECT_EQ(0, path_is_ok(root, 0, 0));
    EXPECT_EQ(1, path_is_ok(root, 1, 0));
    std::string folder = at("New Folder\\Deeper");
    EXPECT_EQ(1, path_is_ok(&folder[0], 0, 0));
}

TEST_F(PathTest, OnlyFixedDrivesUnlessAnyDrive) {
    // R: and S: are the test prefix's emulated CD-ROM and removable drives.
    EXPECT_EQ((UINT)DRIVE_CDROM, GetDriveTypeA("R:\\"));
    EXPECT_EQ((UINT)DRIVE_REMOVABLE, GetDriveTypeA("S:\\"));
    for (const char* p : {"R:\\Vantrel", "S:\\Vantrel"}) {
        std::string path = p;
        EXPECT_EQ(0, path_is_ok(&path[0], 0, 0)) << p;
        EXPECT_EQ(1, path_is_ok(&path[0], 0, 1)) << p;
    }
}

TEST_F(PathTest, ValidatePathRefusesAFileInTheWay) {
    make_file(at("file.txt"));
    std::string blocked = at("file.txt\\x");
    std::string copy = blocked;
    EXPECT_EQ(0, validate_path(&blocked[0]));
    EXPECT_EQ(copy, blocked);
    std::string fresh = at("new\\deeper");
    EXPECT_EQ(1, validate_path(&fresh[0]));
    EXPECT_FALSE(is_folder(at("new")));
    std::string self = at("file.txt");
    EXPECT_EQ(0, validate_path(&self[0]));  // the whole path is a leading part too
    EXPECT_EQ(0, path_is_ok(&blocked[0], 0, 0));
}

TEST_F(PathTest, CreatePathMakesMissingLevels) {
    std::string two = at("a\\b");
    ASSERT_TRUE(CreateDirectoryA(at("a").c_str(), nullptr));
    EXPECT_EQ(1, create_path(&two[0]));
    EXPECT_EQ(at("a\\b"), two);
    EXPECT_TRUE(is_folder(at("a\\b")));
    std::string three = at("a\\b\\c");
    EXPECT_EQ(1, create_path(&three[0]));
    EXPECT_TRUE(is_folder(at("a\\b\\c")));
    EXPECT_EQ(1, create_path(&three[0]));  // everything there already
    std::string fresh = at("x\\y\\z");
    EXPECT_EQ(1, create_path(&fresh[0]));
    EXPECT_TRUE(is_folder(fresh));
}

TEST_F(PathTest, CreatePathCreatesNothingWhenALevelIsAFile) {
    ASSERT_TRUE(CreateDirectoryA(at("a").c_str(), nullptr));
    make_file(at("a\\b"));
    std::string path = at("a\\b\\c");
    std::string copy = path;
    EXPECT_EQ(0, create_path(&path[0]));
    EXPECT_EQ(copy, path);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, attributes(at("a\\b\\c")));
    // A file at the end blocks too; a missing level before it is not made.
    std::string late = at("m\\a\\b");
    make_file(at("m"));
    EXPECT_EQ(0, create_path(&late[0]));
}

TEST_F(PathTest, CreatePathStopsAtALevelItCannotMake) {
    // Q: is not a drive of the test prefix (on Windows, any missing letter).
    if (GetDriveTypeA("Q:\\") != DRIVE_NO_ROOT_DIR)
        GTEST_SKIP() << "Q: exists here";
    char path[] = "Q:\\a\\b";
    EXPECT_EQ(0, create_path(path));
    EXPECT_STREQ("Q:\\a\\b", path);
}

TEST_F(PathTest, MoreThan127LevelsAreRefusedUntouched) {
    std::string path = "C:";
    for (int i = 0; i < 127; i++)
        path += "\\a";
    EXPECT_EQ(1, validate_path(&path[0]));  // 127 levels are handled
    path += "\\a";
    std::string copy = path;
    EXPECT_EQ(0, validate_path(&path[0]));
    EXPECT_EQ(0, create_path(&path[0]));
    EXPECT_EQ(copy, path);
    EXPECT_EQ(0, path_is_ok(&path[0], 0, 1));
}
