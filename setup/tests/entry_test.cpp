// setup.exe as a process: command lines, run modes, start-up failures, the
// files unpacked at start-up and the "_ktdp" folder at shutdown.
#include <gtest/gtest.h>
#include <string>
#include "archive_records.h"
#include "testkit.h"

using namespace testkit;

namespace {

const char kMakerKey[] = "Software\\Halvern Dynamics Limited";

// A folder holding setup.exe and a script library named vscript.dll.
class SetupRun : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableA("PROBE_ENTRY_RESULT", nullptr);
        SetEnvironmentVariableA("PROBE_DELETE", nullptr);
    }
    void stage(const char* script = "probe_script.dll") {
        ASSERT_TRUE(CopyFileA((bin_folder() + "\\setup.exe").c_str(), (dir / "setup.exe").c_str(), FALSE));
        if (!script) {
            DeleteFileA((dir / "vscript.dll").c_str());
            return;
        }
        ASSERT_TRUE(CopyFileA((bin_folder() + "\\" + script).c_str(), (dir / "vscript.dll").c_str(), FALSE));
    }
    ProcessResult run(const std::string& arguments) {
        std::string line = "\"" + (dir / "setup.exe") + "\"";
        if (!arguments.empty())
            line += " " + arguments;
        return run_process(line, dir.path().c_str());
    }
    static bool has(const ProcessResult& r, const std::string& line) {
        return r.output.find(line + "\n") != std::string::npos ||
               r.output.find(line + "\r\n") != std::string::npos;
    }

    TempDir dir{"setup"};
};

}  // namespace

TEST_F(SetupRun, EmptyOrCommasOnlyCommandLineSelectsInstallMode) {
    stage();
    for (const char* arguments : {"", ",,,"}) {
        SCOPED_TRACE(arguments);
        ProcessResult r = run(arguments);
        ASSERT_TRUE(r.started);
        EXPECT_TRUE(has(r, "probe: entry mode=0 fields=0 context=0")) << r.output;
        EXPECT_TRUE(has(r, "probe: source=" + dir.path())) << r.output;
        EXPECT_TRUE(has(r, "probe: destination=" + dir.path())) << r.output;
        EXPECT_TRUE(has(r, "probe: name=(unset) key=(unset)")) << r.output;
        EXPECT_NE(std::string::npos, r.output.find(" disc=-1")) << r.output;
        EXPECT_TRUE(has(r, "probe: install begins")) << r.output;
        EXPECT_EQ((DWORD)-7, r.exit_code) << "a hook's result is the exit code";
    }
}

TEST_F(SetupRun, StageLineReadsFourFields) {
    stage();
    std::string archive = dir / "payload.dat";
    ASSERT_TRUE(write_file(archive, archive_record("readme.txt", "hello")));
    ProcessResult r = run("uninstall1,," + archive + ",Vantrel,Software\\Halvern Dynamics Limited\\Vantrel");
    EXPECT_TRUE(has(r, "probe: entry mode=1 fields=4 context=0")) << r.output;
    EXPECT_TRUE(has(r, "probe: field 1=" + archive)) << r.output;
    EXPECT_TRUE(has(r, "probe: name=Vantrel key=Software\\Halvern Dynamics Limited\\Vantrel")) << r.output;
    EXPECT_TRUE(has(r, "probe: extracted=" + (dir / "readme.txt"))) << r.output;
    EXPECT_FALSE(file_exists(dir / "readme.txt")) << "unpacked files are deleted at shutdown";
    EXPECT_TRUE(file_exists(archive)) << "stage 1 keeps its archive";
}

TEST_F(SetupRun, StageTwoAlsoDeletesItsArchive) {
    stage();
    std::string archive = dir / "uninst.dat";
    ASSERT_TRUE(write_file(archive, archive_record("a.txt", "a") + archive_record("b.txt", "b")));
    // The script deletes one unpacked file itself; shutdown skips it and
    // still removes the rest.
    SetEnvironmentVariableA("PROBE_DELETE", (dir / "a.txt").c_str());
    ProcessResult r = run("uninstall2," + archive + ",Vantrel,Software\\X");
    EXPECT_TRUE(has(r, "probe: entry mode=2 fields=4 context=0")) << r.output;
    EXPECT_TRUE(has(r, "probe: deleted " + (dir / "a.txt") + ": 1")) << r.output;
    EXPECT_TRUE(has(r, "probe: extracted=" + archive)) << r.output;
    EXPECT_FALSE(file_exists(dir / "b.txt"));
    EXPECT_FALSE(file_exists(archive));
    EXPECT_TRUE(file_exists(dir / "setup.exe"));
}

TEST_F(SetupRun, ExistingFilesSurviveUnpackingAndShutdown) {
    stage();
    std::string archive = dir / "uninst.dat";
    ASSERT_TRUE(write_file(dir / "keep.txt", "mine"));
    ASSERT_TRUE(write_file(archive, archive_record("keep.txt", "theirs") + archive_record("new.txt", "n")));
    ProcessResult r = run("uninstall1," + archive + ",N,K");
    EXPECT_FALSE(has(r, "probe: extracted=" + (dir / "keep.txt"))) << r.output;
    std::string kept;
    EXPECT_TRUE(read_file(dir / "keep.txt", &kept));
    EXPECT_EQ("mine", kept);
    EXPECT_FALSE(file_exists(dir / "new.txt"));
}

TEST_F(SetupRun, StartupFailuresEndWithMinusOneBeforeTheScriptLoads) {
    stage();
    std::string archive = dir / "uninst.dat";
    ASSERT_TRUE(write_file(archive, archive_record("a.txt", "a")));
    ASSERT_TRUE(write_file(dir / "bad.dat", archive_record("..\\outside.txt", "x")));
    ASSERT_TRUE(write_file(dir / "cut.dat", archive_record("a.txt", "abc").substr(0, 270)));
    const struct {
        int line;
        std::string arguments;
    } cases[] = {
        {__LINE__, "/s"},
        {__LINE__, "install"},
        {__LINE__, "Uninstall1," + archive + ",N,K"},
        {__LINE__, "uninstall1," + archive + ",N"},
        {__LINE__, "uninstall2"},
        {__LINE__, "uninstall1," + (dir / "missing.dat") + ",N,K"},
        {__LINE__, "uninstall2," + (dir / "bad.dat") + ",N,K"},
        {__LINE__, "uninstall1," + (dir / "cut.dat") + ",N,K"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ProcessResult r = run(c.arguments);
        ASSERT_TRUE(r.started);
        EXPECT_EQ(0xFFFFFFFFul, r.exit_code);
        EXPECT_EQ(std::string::npos, r.output.find("probe: loaded")) << r.output;
    }
    EXPECT_FALSE(file_exists(dir.path() + "\\..\\outside.txt"));
    EXPECT_FALSE(file_exists(dir / "a.txt"));
}

TEST_F(SetupRun, ScriptLibraryFailuresEndWithMinusOne) {
    stage(nullptr);
    ProcessResult missing = run("");
    EXPECT_EQ(0xFFFFFFFFul, missing.exit_code);

    stage("noentry_script.dll");
    EXPECT_EQ(0xFFFFFFFFul, run("").exit_code);

    stage("probe_script.dll");
    SetEnvironmentVariableA("PROBE_ENTRY_RESULT", "-5");
    ProcessResult negative = run("");
    EXPECT_TRUE(has(negative, "probe: entry mode=0 fields=0 context=0")) << negative.output;
    EXPECT_EQ(0xFFFFFFFFul, negative.exit_code);
}

// Changes machine-wide state (the maker's key): this program runs serially.
class LeftoverFolder : public SetupRun {
protected:
    void SetUp() override {
        SetupRun::SetUp();
        stage();
    }
    void TearDown() override { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMakerKey, "_ktdp"); }
    void name_leftover(const std::string& folder) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, kMakerKey, "_ktdp", REG_SZ,
                                                 folder.c_str(), (DWORD)folder.size() + 1));
    }
    static bool value_present() {
        char data[300];
        DWORD size = sizeof data;
        return RegGetValueA(HKEY_LOCAL_MACHINE, kMakerKey, "_ktdp", RRF_RT_REG_SZ, nullptr, data, &size) ==
               ERROR_SUCCESS;
    }
};

TEST_F(LeftoverFolder, EmptyFolderGoesWithItsValue) {
    std::string product = dir / "Vantrel";
    ASSERT_TRUE(CreateDirectoryA(product.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((product + "\\help").c_str(), nullptr));
    name_leftover(product);
    run("");
    EXPECT_FALSE(folder_exists(product));
    EXPECT_FALSE(value_present());
}

TEST_F(LeftoverFolder, FolderInUseStaysWithItsValue) {
    std::string product = dir / "Vantrel";
    ASSERT_TRUE(CreateDirectoryA(product.c_str(), nullptr));
    ASSERT_TRUE(write_file(product + "\\user.txt", "kept"));
    name_leftover(product);
    run("");
    EXPECT_TRUE(file_exists(product + "\\user.txt"));
    EXPECT_TRUE(value_present());
}

TEST_F(LeftoverFolder, NotTouchedAfterAFailedStartup) {
    std::string product = dir / "Vantrel";
    ASSERT_TRUE(CreateDirectoryA(product.c_str(), nullptr));
    name_leftover(product);
    run("/s");
    EXPECT_TRUE(folder_exists(product));
    EXPECT_TRUE(value_present());
}
