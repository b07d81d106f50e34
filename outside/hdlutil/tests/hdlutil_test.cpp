// hdlutil.exe as a process: the exit codes of the media probe on real media,
// the tuning of mode 4 on both families, and bad command lines, which change
// nothing.
#include <gtest/gtest.h>
#include <string>
#include "registry_state.h"
#include "testkit.h"

using namespace testkit;
using namespace registry_state;

namespace {

const char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char kTcpip[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char kCompany[] = "Software\\Halvern Dynamics Limited";
const DWORD kFailed = 0xFFFFFFFF;

DWORD run(const std::string& arguments) {
    ProcessResult result = run_process(bin_folder() + "\\hdlutil.exe " + arguments);
    EXPECT_TRUE(result.started) << arguments;
    return result.exit_code;
}

void copy_tree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != "." && name != "..")
                copy_tree(from + "\\" + name, to + "\\" + name);
        } else {
            CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
        }
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

// The sample product's media made by the media builder, with the components
// the install loads beside install.dat, in a folder whose name has blanks.
class Media : public ::testing::Test {
protected:
    void SetUp() override {
        copy_tree(bin_folder() + "\\..\\media\\hdlutil", media);
        ASSERT_TRUE(file_exists(media + "\\hostinfo.dll"));
    }
    // The probe's command line as the install script formats it.
    DWORD probe(const std::string& folder) { return run("\"build160\" \"" + folder + "\" 0"); }
    DWORD probe() { return probe(media); }
    DWORD probe_list(const std::string& list) { return write_file(media + "\\install.dat", list) ? probe() : 1; }

    TempDir temp{"hdl"};
    std::string media = temp.path() + "\\media with blanks";
};

TEST_F(Media, AnythingMissingFailsTheProbe) {
    EXPECT_EQ(0u, probe());
    // The folder with its last backslash, as a drive root is given.
    EXPECT_EQ(0u, probe(media + "\\"));
    EXPECT_EQ(kFailed, probe(temp.path() + "\\elsewhere"));
    // Without "setup\settings.bin" that entry would resolve to the archive
    // member of its name (its pad), so it is not in this list.
    const char* missing[] = {"install.dat", "readme.txt",  "setup\\help.dat", "files.dat",
                             "setup.exe",   "langres.dll", "hostinfo.dll",    "hdlutil.dll"};
    std::string saved = temp.path() + "\\saved";
    for (const char* name : missing) {
        std::string path = media + "\\" + name;
        ASSERT_TRUE(MoveFileA(path.c_str(), saved.c_str())) << name;
        EXPECT_EQ(kFailed, probe()) << name;
        // A folder in the file's place is no file either.
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << name;
        EXPECT_EQ(kFailed, probe()) << name;
        RemoveDirectoryA(path.c_str());
        ASSERT_TRUE(MoveFileA(saved.c_str(), path.c_str())) << name;
    }
    EXPECT_EQ(0u, probe());
}

TEST_F(Media, ListsAsTheInstallReadsThem) {
    struct {
        int line;
        std::string list;
        DWORD expected;
    } cases[] = {
        {__LINE__, "total=1;\r\nsrc=readme.txt;\r\ndest=readme.txt;\r\n", 0},
        {__LINE__, "total=0x1; src=INDEX.Html; dest=help\\index.html;", 0},
        {__LINE__, "total=1; src=empty.log; dest=logs\\empty.log;", 0},
        // Marked, help.dat is a compressed file; unmarked, a masked file
        // whose pad (the archive member of its name) is missing.
        {__LINE__, "total=1; src=help.dat;& dest=help.dat;", 0},
        {__LINE__, "total=1; src=help.dat; dest=help.dat;", kFailed},
        {__LINE__, "total=1; src=settings.bin; dest=settings.bin;", 0},
        {__LINE__, "total=010; src=readme.txt; dest=a; src=empty.log; dest=b;", 0},
        {__LINE__, "total=0; src=readme.txt; dest=readme.txt;", kFailed},
        {__LINE__, "total=1; src=readme.txt;", kFailed},
        {__LINE__, "total=2; src=readme.txt; dest=a; src=nothere.txt; dest=b;", kFailed},
        // Members are whole names, and a name with a backslash is none.
        {__LINE__, "total=1; src=index; dest=a;", kFailed},
        {__LINE__, "total=1; src=help\\index.html; dest=a;", kFailed},
        {__LINE__, std::string("total=2; src=readme.txt; dest=a;\0 src=nothere.txt; dest=b;", 59), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, probe_list(c.list)) << "line " << c.line;
}

TEST_F(Media, ArchiveMembersMustBeExtractable) {
    std::string archive;
    ASSERT_TRUE(read_file(media + "\\files.dat", &archive));
    ASSERT_EQ(0u, probe_list("total=1; src=index.html; dest=help\\index.html;"));
    // Cut inside the member's records (offset 1104, blocks of 4096).
    ASSERT_TRUE(write_file(media + "\\files.dat", archive.substr(0, 1104 + 4096)));
    EXPECT_EQ(kFailed, probe());
    // A block size of 0 cannot be extracted.
    ASSERT_TRUE(write_file(media + "\\files.dat", archive.substr(0, 260) + std::string(4, '\0') + archive.substr(264)));
    EXPECT_EQ(kFailed, probe());
}

// Mode 4 on the machine's TCP/IP keys and the product keys, put back
// afterwards.
class Tuning : public ::testing::Test {
protected:
    void record(const char* product, DWORD mtu, DWORD window, DWORD ttl) {
        std::string key = std::string(kCompany) + "\\" + product + "\\Settings";
        set_number(HKEY_LOCAL_MACHINE, key, "d_mtu", mtu);
        set_number(HKEY_LOCAL_MACHINE, key, "d_rwin", window);
        set_number(HKEY_LOCAL_MACHINE, key, "d_ttl", ttl);
    }

    SavedKey mstcp_{HKEY_LOCAL_MACHINE, kMstcp}, tcpip_{HKEY_LOCAL_MACHINE, kTcpip},
        company_{HKEY_LOCAL_MACHINE, kCompany};
};

TEST_F(Tuning, TheRecordedTuningIsAppliedAtTheNextStart) {
    for (const char* version : {"win95", "nt40"}) {
        EmulatedVersion emulated("hdlutil.exe", version);
        bool win95 = version[0] == 'w';
        const char* key = win95 ? kMstcp : kTcpip;
        set_text(HKEY_LOCAL_MACHINE, kMstcp, "DefaultTTL", "32");
        remove_value(HKEY_LOCAL_MACHINE, kTcpip, "DefaultTTL");
        record("Vantrel", 576, 8576, 64);
        record("Other Product", 1500, 64240, 128);
        EXPECT_EQ(0u, run("\"build160\" \"Other Product\" 4")) << version;
        Values values = values_of(HKEY_LOCAL_MACHINE, key);
        if (win95) {
            EXPECT_EQ(std::string("1500", 5), values["MaxMTU"].second);
            EXPECT_EQ(std::string("64240", 6), values["DefaultRcvWindow"].second);
            EXPECT_EQ(std::string("128", 4), values["DefaultTTL"].second);
        } else {
            EXPECT_EQ(1500u, number_of(HKEY_LOCAL_MACHINE, key, "MTU"));
            EXPECT_EQ(64240u, number_of(HKEY_LOCAL_MACHINE, key, "TcpWindowSize"));
            EXPECT_EQ(128u, number_of(HKEY_LOCAL_MACHINE, key, "DefaultTTL"));
        }
        EXPECT_EQ(0u, run("\"build160\" \"Vantrel\" 4")) << version;
        EXPECT_EQ(win95 ? "576" : "(missing)", text_of(HKEY_LOCAL_MACHINE, kMstcp, "MaxMTU")) << version;
        // An install without tuning records an MTU of 0: nothing changes.
        Values before = values_of(HKEY_LOCAL_MACHINE, key);
        record("Vantrel", 0, 0, 0);
        EXPECT_EQ(0u, run("\"build160\" \"Vantrel\" 4")) << version;
        EXPECT_EQ(0u, run("\"build160\" \"Unrecorded\" 4")) << version;
        EXPECT_EQ(before, values_of(HKEY_LOCAL_MACHINE, key)) << version;
        for (const char* name : {"MaxMTU", "DefaultRcvWindow", "MTU", "TcpWindowSize"}) {
            remove_value(HKEY_LOCAL_MACHINE, kMstcp, name);
            remove_value(HKEY_LOCAL_MACHINE, kTcpip, name);
        }
    }
}

TEST_F(Tuning, BadCommandLinesFailAndChangeNothing) {
    const char* cases[] = {
        "",
        "\"build160\" \"Vantrel\"",
        "\"Vantrel\" 4",
        "\"BUILD160\" \"Vantrel\" 4",
        "\"build160\" \"Vantrel\" 5",
        "\"build160\" \"Vantrel\" 4x",
        "\"build160\" \"\" 4",
        "\"build160\" \"Vantrel\\..\\Other Product\" 4",
        "\"build161\" \"C:\\\" 0",
        "\"build160\" \"\" 0",
    };
    record("Vantrel", 1000, 15360, 64);
    record("Other Product", 1000, 15360, 64);
    remove_value(HKEY_LOCAL_MACHINE, kTcpip, "MTU");
    Values before = values_of(HKEY_LOCAL_MACHINE, kTcpip);
    for (const char* arguments : cases) {
        EXPECT_EQ(kFailed, run(arguments)) << arguments;
        EXPECT_EQ(before, values_of(HKEY_LOCAL_MACHINE, kTcpip)) << arguments;
    }
    // The same recorded tuning with a sound command line is applied.
    EXPECT_EQ(0u, run("\"build160\" \"Vantrel\" 4"));
    EXPECT_EQ(1000u, number_of(HKEY_LOCAL_MACHINE, kTcpip, "MTU"));
}

}  // namespace
