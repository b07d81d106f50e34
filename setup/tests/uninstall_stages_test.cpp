// Uninstall stages 1 and 2 as processes: setup.exe with a script library
// that supplies the Verify Uninstall template, on records written by the
// record writer or by hand.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include <string>
#include <thread>
#include "archive_records.h"
#include "testkit.h"
#include "uninstall.h"
#include "uninstall_fixtures.h"

using namespace testkit;

namespace {

const char kScript[] = "uninstall_script.dll";

std::string script_bytes() {
    std::string bytes;
    read_file(bin_folder() + "\\" + kScript, &bytes);
    return bytes;
}

// A folder holding setup.exe and an archive with the script library, as the
// install leaves them; a product key and its record under the test keys.
class StageRun : public ::testing::Test {
protected:
    void SetUp() override {
        remove_test_keys();
        for (const char* name : {"USCRIPT_BEGIN", "USCRIPT_PRE", "USCRIPT_POST", "USCRIPT_TEMPLATE"})
            SetEnvironmentVariableA(name, nullptr);
        ASSERT_TRUE(CopyFileA((bin_folder() + "\\setup.exe").c_str(), (dir / "setup.exe").c_str(), FALSE));
        ASSERT_TRUE(write_file(archive, archive_record("vscript.dll", script_bytes())));
        record.product_key.set(product_key.c_str());
    }
    void TearDown() override { remove_test_keys(); }
    ProcessResult run(const std::string& stage, DWORD timeout_ms = 60000) {
        std::string line = "\"" + (dir / "setup.exe") + "\" " + stage + "," + archive + ",VantrelTests Stages," +
                           product_key;
        return run_process(line, dir.path().c_str(), timeout_ms);
    }
    static bool has(const ProcessResult& r, const std::string& line) {
        return r.output.find(line + "\n") != std::string::npos || r.output.find(line + "\r\n") != std::string::npos;
    }
    std::string record_key(const char* kind) const { return product_key + "\\Uninstall\\" + kind; }

    TempDir dir{"stages"};
    std::string archive = dir / "uninst.dat";
    std::string product_key = std::string(kTestKey) + "\\Stages";
    SetupInfo record;  // what the install recorded
};

class StageTwo : public StageRun {};

}  // namespace

TEST_F(StageTwo, RemovesWhatTheRecordListsThenTheRecord) {
    std::string product = dir / "Vantrel", sub = product + "\\sub", empty = product + "\\empty";
    ASSERT_TRUE(CreateDirectoryA(product.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(empty.c_str(), nullptr));
    ASSERT_TRUE(write_file(product + "\\a.dll", "a"));
    ASSERT_TRUE(write_file(sub + "\\b.dll", "b"));
    ASSERT_TRUE(write_file(product + "\\user.txt", "added by the user"));
    std::string values = std::string(kTestKey) + "\\Values", tree = std::string(kTestKey) + "\\Tree";
    ASSERT_TRUE(set_text(HKEY_CURRENT_USER, values, "recorded", "x"));
    ASSERT_TRUE(set_text(HKEY_CURRENT_USER, values, "other", "y"));
    ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, tree + "\\Level1", "data", "z"));
    ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, product_key, "version", "1"));
    record.uninstall.AddFile((char*)(product + "\\a.dll").c_str());
    record.uninstall.AddFile((char*)(sub + "\\b.dll").c_str());
    record.uninstall.AddFile((char*)(product + "\\gone-already.dll").c_str());
    record.uninstall.AddDir((char*)sub.c_str());
    record.uninstall.AddDir((char*)empty.c_str());
    record.uninstall.AddKey(HKEY_CURRENT_USER, (char*)values.c_str(), (char*)"recorded");
    record.uninstall.AddKey(HKEY_LOCAL_MACHINE, (char*)tree.c_str(), nullptr);
    write_uninstall_record(&record);

    ProcessResult r = run("uninstall2");
    ASSERT_TRUE(r.started);
    EXPECT_EQ(0ul, r.exit_code);
    EXPECT_TRUE(has(r, "uscript: entry mode=2")) << r.output;
    EXPECT_FALSE(file_exists(product + "\\a.dll"));
    EXPECT_FALSE(folder_exists(sub));
    EXPECT_FALSE(folder_exists(empty));
    EXPECT_TRUE(file_exists(product + "\\user.txt")) << "what the install did not write stays";
    EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, values, "recorded"));
    EXPECT_TRUE(value_exists(HKEY_CURRENT_USER, values, "other")) << "a value record removes only its value";
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, tree)) << "a whole-key record removes the key with its subkeys";
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, product_key)) << "the record and then the product key go";
    EXPECT_FALSE(file_exists(archive)) << "stage 2 deletes its archive at exit";
    EXPECT_FALSE(file_exists(dir / "vscript.dll"));
}

// A file in use is tried again every second, up to ten times.
TEST_F(StageTwo, FileHeldOpenIsDeletedOnceReleased) {
    std::string busy = dir / "busy.dll";
    ASSERT_TRUE(write_file(busy, "in use"));
    HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    record.uninstall.AddFile((char*)busy.c_str());
    write_uninstall_record(&record);
    std::thread releaser([held] {
        Sleep(3000);
        CloseHandle(held);
    });
    ProcessResult r = run("uninstall2");
    releaser.join();
    EXPECT_EQ(0ul, r.exit_code);
    EXPECT_FALSE(file_exists(busy));
}

TEST_F(StageTwo, IncompleteRecordRemovesNothing) {
    std::string kept = dir / "kept.dll";
    ASSERT_TRUE(write_file(kept, "k"));
    record.uninstall.AddFile((char*)kept.c_str());
    write_uninstall_record(&record);
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, record_key("Key").c_str()));
    ProcessResult r = run("uninstall2");
    EXPECT_EQ(0ul, r.exit_code);
    EXPECT_TRUE(file_exists(kept));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, record_key("File")));
}

TEST_F(StageTwo, NoRecordEndsWithZero) {
    ProcessResult r = run("uninstall2");
    ASSERT_TRUE(r.started);
    EXPECT_EQ(0ul, r.exit_code);
    EXPECT_FALSE(file_exists(archive));
}

// Records are read into 260- and 1024-byte buffers: a longer one is skipped
// whole, never cut short (cut, this one would name another key), and the
// records after it are still carried out.
TEST_F(StageTwo, RecordsTooLongForTheirBuffersAreSkipped) {
    std::string file = dir / "after.dll";
    ASSERT_TRUE(write_file(file, "x"));
    std::string long_key = std::string(kTestKey) + "\\Long\\" + std::string(200, 'a') + "\\" + std::string(100, 'b');
    std::string cut_key = long_key.substr(0, 259);
    std::string short_key = std::string(kTestKey) + "\\Short";
    ASSERT_TRUE(make_key(HKEY_CURRENT_USER, cut_key));
    ASSERT_TRUE(make_key(HKEY_CURRENT_USER, short_key));
    for (const char* kind : {"File", "Dir", "Value", "Key"})
        ASSERT_TRUE(make_key(HKEY_LOCAL_MACHINE, record_key(kind)));
    ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, record_key("File"), "00000001", dir / std::string(1100, 'f')));
    ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, record_key("File"), "00000002", file));
    ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, record_key("Key"), "00000001", "HKCU\\" + long_key));
    ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, record_key("Key"), "00000002", "HKCU\\" + short_key));
    ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, record_key("Key"), "00000003", "HKXX\\Software"));
    ProcessResult r = run("uninstall2");
    EXPECT_EQ(0ul, r.exit_code);
    EXPECT_FALSE(file_exists(file));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, cut_key));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, short_key));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, product_key));
}

// A value record of 1,023 characters fills its buffer with its zero byte and
// is carried out; a record stored without its zero byte is read whole.
TEST_F(StageTwo, RecordsThatFillTheirBuffersAreCarriedOut) {
    std::string values = std::string(kTestKey) + "\\Values";
    std::string prefix = "HKCU\\" + values + ",";
    std::string long_name = std::string(1023 - prefix.size(), 'n');
    ASSERT_TRUE(set_text(HKEY_CURRENT_USER, values, long_name, "x"));
    ASSERT_TRUE(set_text(HKEY_CURRENT_USER, values, "unterminated", "y"));
    ASSERT_TRUE(set_text(HKEY_CURRENT_USER, values, "other", "z"));
    std::string file = dir / "unterminated.dll";
    ASSERT_TRUE(write_file(file, "x"));
    for (const char* kind : {"File", "Dir", "Value", "Key"})
        ASSERT_TRUE(make_key(HKEY_LOCAL_MACHINE, record_key(kind)));
    ASSERT_EQ(1023u, (prefix + long_name).size());
    ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, record_key("Value"), "00000001", prefix + long_name));
    std::string unterminated = prefix + "unterminated";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, record_key("Value").c_str(), "00000002", REG_SZ,
                                             unterminated.data(), (DWORD)unterminated.size()));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, record_key("File").c_str(), "00000001", REG_SZ,
                                             file.data(), (DWORD)file.size()));
    ProcessResult r = run("uninstall2");
    EXPECT_EQ(0ul, r.exit_code);
    EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, values, long_name));
    EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, values, "unterminated"));
    EXPECT_TRUE(value_exists(HKEY_CURRENT_USER, values, "other"));
    EXPECT_FALSE(file_exists(file));
}

namespace {

// Wine-only helper: the Windows version that Wine reports to setup.exe.
class WindowsVersion {
public:
    explicit WindowsVersion(const char* version) {
        key_was_there = key_exists(HKEY_CURRENT_USER, kKey);
        char old[64];
        DWORD size = sizeof old;
        had = RegGetValueA(HKEY_CURRENT_USER, kKey, "Version", RRF_RT_REG_SZ, nullptr, old, &size) == ERROR_SUCCESS;
        if (had)
            previous = old;
        RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Version", REG_SZ, version, (DWORD)strlen(version) + 1);
    }
    ~WindowsVersion() {
        if (had)
            RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Version", REG_SZ, previous.c_str(), (DWORD)previous.size() + 1);
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "Version");
        if (!key_was_there)
            RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    }

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\setup.exe";
    bool key_was_there;
    bool had;
    std::string previous;
};

class StageTwoKeys : public StageRun {
protected:
    // A chain of levels subkeys below a recorded key; with sibling, one more
    // subkey of its own beside the chain.
    std::string make_tree(const std::string& name, int levels, bool sibling) {
        std::string top = std::string(kTestKey) + "\\" + name, path = top;
        for (int i = 1; i <= levels; i++)
            path += "\\level" + std::to_string(i);
        EXPECT_TRUE(set_text(HKEY_CURRENT_USER, path, "deepest", "d"));
        if (sibling) {
            EXPECT_TRUE(make_key(HKEY_CURRENT_USER, top + "\\sibling"));
        }
        record.uninstall.AddKey(HKEY_CURRENT_USER, (char*)top.c_str(), nullptr);
        return top;
    }
};

}  // namespace

TEST_F(StageTwoKeys, WindowsNtClearsThreeLevelsOfSubkeys) {
    WindowsVersion nt("nt40");
    std::string three = make_tree("Three", 3, true);
    std::string four = make_tree("Four", 4, true);
    write_uninstall_record(&record);
    ProcessResult r = run("uninstall2");
    EXPECT_EQ(0ul, r.exit_code);
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, three));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, four + "\\level1\\level2\\level3\\level4"));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, four)) << "the levels above a fourth stay";
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, four + "\\sibling")) << "shallow subkeys beside it go";
}

// The recorded key is handed to the registry at once: Windows 95 deletes it
// with everything below it, four levels included. (Wine in this mode removes
// a single chain of subkeys too, but not every subkey of a wider tree.)
TEST_F(StageTwoKeys, Windows95DeletesTheRecordedKeyDirectly) {
    WindowsVersion win95("win95");
    std::string leaf = make_tree("Leaf", 0, false);
    std::string four = make_tree("Four", 4, false);
    write_uninstall_record(&record);
    ProcessResult r = run("uninstall2");
    EXPECT_EQ(0ul, r.exit_code);
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, leaf));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, four));
}

namespace {

const char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VantrelTests Stages";

std::string temp_folder() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\Temp";
}

// The running setup.exe started from image, waited for up to timeout_ms.
HANDLE find_process(const std::string& image, DWORD timeout_ms) {
    for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry;
        entry.dwSize = sizeof entry;
        for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry)) {
            if (lstrcmpiA(entry.szExeFile, "setup.exe") != 0)
                continue;
            HANDLE process =
                OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
            char path[MAX_PATH];
            DWORD size = sizeof path;
            if (process && QueryFullProcessImageNameA(process, 0, path, &size) && lstrcmpiA(path, image.c_str()) == 0) {
                CloseHandle(snapshot);
                return process;
            }
            if (process)
                CloseHandle(process);
        }
        CloseHandle(snapshot);
        Sleep(50);
    }
    return nullptr;
}

// Stage 1 runs in the install folder; its Temp copies are removed around
// each test so that stage 2 unpacks a fresh script library.
class StageOne : public StageRun {
protected:
    void SetUp() override {
        StageRun::SetUp();
        clear_temp();
        ASSERT_TRUE(CopyFileA((bin_folder() + "\\" + kScript).c_str(), (dir / "vscript.dll").c_str(), FALSE));
        ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, kEntry, "DisplayName", "VantrelTests Stages"));
        ASSERT_TRUE(write_file(product_file, "p"));
        record.uninstall.AddFile((char*)product_file.c_str());
        write_uninstall_record(&record);
    }
    void TearDown() override {
        if (driver.joinable())
            driver.join();
        if (stage2)
            CloseHandle(stage2);
        clear_temp();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEntry);
        StageRun::TearDown();
    }
    void clear_temp() {
        for (const char* name : {"setup.exe", "uninst.dat", "vscript.dll"}) {
            std::string path = temp_folder() + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    // Presses button id in Verify Uninstall; with find_stage2, then looks for
    // the stage 2 process that stage 1 starts.
    void answer(int id, bool find_stage2 = false) {
        driver = std::thread([this, id, find_stage2] {
            HWND dialog = wait_dialog("Verify Uninstall");
            shown = dialog != nullptr;
            if (!dialog)
                return;
            press(dialog, id);
            if (find_stage2)
                stage2 = find_process(temp_folder() + "\\setup.exe", 20000);
        });
    }

    std::string product_file = dir / "product.dll";
    std::thread driver;
    bool shown = false;
    HANDLE stage2 = nullptr;
};

}  // namespace

TEST_F(StageOne, OkHandsOverToStageTwoInTheTempFolder) {
    answer(1, true);
    ProcessResult r = run("uninstall1");
    driver.join();
    EXPECT_TRUE(shown);
    EXPECT_EQ(0ul, r.exit_code);
    EXPECT_TRUE(has(r, "uscript: VerifyUninstallPost")) << r.output;
    EXPECT_TRUE(has(r, "uscript: UninstallEnd setup=1 archive=1 listed=0")) << r.output;
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kEntry));
    EXPECT_TRUE(file_exists(archive)) << "stage 1 keeps the install folder's archive";

    ASSERT_NE(nullptr, stage2);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(stage2, 60000));
    DWORD code = 1;
    GetExitCodeProcess(stage2, &code);
    EXPECT_EQ(0ul, code);
    EXPECT_FALSE(file_exists(product_file));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, product_key));
    EXPECT_FALSE(file_exists(temp_folder() + "\\uninst.dat")) << "stage 2 deletes its archive and unpacked files";
    EXPECT_FALSE(file_exists(temp_folder() + "\\vscript.dll"));
}

TEST_F(StageOne, CancelLeavesEverything) {
    answer(2);
    ProcessResult r = run("uninstall1");
    driver.join();
    EXPECT_TRUE(shown);
    EXPECT_EQ(0xFFFFFFFEul, r.exit_code);
    EXPECT_FALSE(has(r, "uscript: VerifyUninstallPost")) << r.output;
    EXPECT_EQ(std::string::npos, r.output.find("uscript: UninstallEnd")) << r.output;
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kEntry));
    EXPECT_FALSE(file_exists(temp_folder() + "\\setup.exe"));
    EXPECT_TRUE(file_exists(product_file));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, record_key("File")));
}

TEST_F(StageOne, PostHookResultEndsTheStage) {
    SetEnvironmentVariableA("USCRIPT_POST", "5");
    answer(1);
    ProcessResult r = run("uninstall1");
    driver.join();
    EXPECT_EQ(5ul, r.exit_code);
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kEntry));
    EXPECT_TRUE(file_exists(product_file));
}

// Hooks that end the stage before the dialog is shown.
TEST_F(StageOne, HooksEndTheStageWithoutTheDialog) {
    const struct {
        int line;
        const char* variable;
        const char* value;
        DWORD exit_code;
    } cases[] = {
        {__LINE__, "USCRIPT_BEGIN", "-3", 0xFFFFFFFDul},
        {__LINE__, "USCRIPT_BEGIN", "1", 0},
        {__LINE__, "USCRIPT_BEGIN", "2", 0},
        {__LINE__, "USCRIPT_PRE", "2", 2},
        {__LINE__, "USCRIPT_PRE", "-4", 0xFFFFFFFCul},
        {__LINE__, "USCRIPT_TEMPLATE", "0", 0xFFFFFFFFul},  // setup.exe has no template 5006
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        SetEnvironmentVariableA(c.variable, c.value);
        ProcessResult r = run("uninstall1", 20000);
        SetEnvironmentVariableA(c.variable, nullptr);
        EXPECT_EQ(c.exit_code, r.exit_code) << r.output;
        EXPECT_TRUE(has(r, "uscript: UninstallBegin")) << r.output;
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kEntry));
        EXPECT_FALSE(file_exists(temp_folder() + "\\setup.exe"));
    }
    EXPECT_TRUE(file_exists(product_file));
}
