// hdlutil.exe: the exit codes of the media probe, the tuning of mode 4, and
// bad command lines, which change nothing.
#include <gtest/gtest.h>
#include <string>
#include "testkit.h"

using namespace testkit;

namespace {

const char kTcpip[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char kSettings[] = "Software\\Halvern Dynamics Limited\\Vantrel\\Settings";

std::string hdlutil() {
    return bin_folder() + "\\hdlutil.exe";
}

DWORD run(const std::string& arguments) {
    ProcessResult result = run_process(hdlutil() + " " + arguments);
    EXPECT_TRUE(result.started);
    return result.exit_code;
}

void copy_tree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copy_tree(from + "\\" + name, to + "\\" + name);
        else
            CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The sample product's media made by the media builder, with the components
// the install loads beside install.dat, in a folder whose name has blanks.
class Media : public ::testing::Test {
protected:
    void SetUp() override {
        copy_tree(bin_folder() + "\\..\\media\\sample", media);
        for (const char* component : {"langres.dll", "hostinfo.dll", "hdlutil.dll"})
            ASSERT_TRUE(CopyFileA((bin_folder() + "\\" + component).c_str(), (media + "\\" + component).c_str(), FALSE));
        ASSERT_TRUE(file_exists(media + "\\setup.exe"));
    }
    std::string probe() { return "\"build160\" \"" + media + "\" 0"; }

    TempDir temp{"hdl"};
    std::string media = temp.path() + "\\media with blanks";
};

TEST_F(Media, CompleteMediaPass) {
    EXPECT_EQ(0u, run(probe()));
}

TEST_F(Media, AnythingMissingFailsTheProbe) {
    struct {
        int line;
        const char* remove;  // relative to the media folder
    } cases[] = {
        {__LINE__, "install.dat"}, {__LINE__, "readme.txt"},   {__LINE__, "setup\\help.dat"},
        {__LINE__, "files.dat"},   {__LINE__, "langres.dll"},  {__LINE__, "hostinfo.dll"},
        {__LINE__, "hdlutil.dll"}, {__LINE__, "setup.exe"},
    };
    for (const auto& c : cases) {
        std::string path = media + "\\" + c.remove, saved = temp.path() + "\\saved";
        ASSERT_TRUE(MoveFileA(path.c_str(), saved.c_str())) << "line " << c.line;
        EXPECT_EQ(0xFFFFFFFFu, run(probe())) << "line " << c.line;
        ASSERT_TRUE(MoveFileA(saved.c_str(), path.c_str())) << "line " << c.line;
    }
    EXPECT_EQ(0u, run(probe()));
}

TEST_F(Media, ListsTheProbeRefuses) {
    struct {
        int line;
        const char* list;
        DWORD expected;
    } cases[] = {
        {__LINE__, "total=1; src=readme.txt; dest=readme.txt;", 0},
        {__LINE__, "total=0x1; src=index.html; dest=help\\index.html;", 0},
        {__LINE__, "total=0; src=readme.txt; dest=readme.txt;", 0xFFFFFFFF},
        {__LINE__, "src=readme.txt; dest=readme.txt;", 0xFFFFFFFF},
        {__LINE__, "total=2; src=readme.txt; dest=readme.txt;", 0xFFFFFFFF},
        {__LINE__, "total=1; src=readme.txt;", 0xFFFFFFFF},
        {__LINE__, "total=1; src=nothere.txt; dest=nothere.txt;", 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(write_file(media + "\\install.dat", c.list));
        EXPECT_EQ(c.expected, run(probe())) << "line " << c.line;
    }
}

TEST(CommandLine, MalformedArgumentsFailAndChangeNothing) {
    const char* cases[] = {
        "",
        "\"build160\"",
        "\"build160\" \"Vantrel\"",
        "\"build161\" \"Vantrel\" 4",
        "\"build160\" \"Vantrel\" 5",
        "\"build160\" \"Vantrel\" 4x",
        "\"build160\" \"\" 4",
        "\"build160\" \"C:\\nowhere\" 0",
    };
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    DWORD mtu = 1000;
    RegSetValueExA(key, "d_mtu", 0, REG_DWORD, (const BYTE*)&mtu, sizeof mtu);
    RegSetValueExA(key, "d_rwin", 0, REG_DWORD, (const BYTE*)&mtu, sizeof mtu);
    RegSetValueExA(key, "d_ttl", 0, REG_DWORD, (const BYTE*)&mtu, sizeof mtu);
    RegCloseKey(key);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kTcpip, "MTU");
    for (const char* arguments : cases) {
        EXPECT_EQ(0xFFFFFFFFu, run(arguments)) << arguments;
        DWORD value = 0, size = sizeof value;
        EXPECT_NE(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, kTcpip, "MTU", RRF_RT_ANY, nullptr, &value, &size))
            << arguments;
    }
    // The same recorded tuning with a sound command line is applied.
    EXPECT_EQ(0u, run("\"build160\" \"Vantrel\" 4"));
    DWORD value = 0, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, kTcpip, "MTU", RRF_RT_REG_DWORD, nullptr, &value, &size));
    EXPECT_EQ(1000u, value);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kTcpip, "MTU");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kTcpip, "TcpWindowSize");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kTcpip, "DefaultTTL");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Halvern Dynamics Limited\\Vantrel");
}

}  // namespace
