// The whole engine as a user meets it: setup.exe installs the sample product
// from media made by the media builder, driven through its dialogs, and
// removes it again through the recorded uninstall command.
#include <gtest/gtest.h>
#include <functional>
#include <set>
#include <string>
#include "testkit.h"

using namespace testkit;

namespace {

const char kProductKey[] = "Software\\Halvern Dynamics Limited\\Sample";
const char kSettingsKey[] = "Software\\Halvern Dynamics Limited\\Sample\\Settings";
const char kWindowsEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample";

std::string media() {
    return bin_folder() + "\\..\\media\\sample";
}

// The product folder the media were built from, seen from Windows.
std::string product_source(const std::string& name) {
    std::string path = "Z:" KSOURCE_DIR "/examples/product/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string read_value(HKEY root, const char* key, const char* name) {
    char data[1100] = "";
    DWORD size = sizeof data;
    if (RegGetValueA(root, key, name, RRF_RT_ANY, nullptr, data, &size) != ERROR_SUCCESS)
        return "(missing)";
    return data;
}

// Every value (name, data) of a key.
std::set<std::pair<std::string, std::string>> values_of(HKEY root, const std::string& key) {
    std::set<std::pair<std::string, std::string>> all;
    HKEY open;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS)
        return all;
    for (DWORD i = 0;; i++) {
        char name[300], data[1100];
        DWORD name_size = sizeof name, data_size = sizeof data;
        if (RegEnumValueA(open, i, name, &name_size, nullptr, nullptr, (BYTE*)data, &data_size) != ERROR_SUCCESS)
            break;
        all.insert({name, std::string(data)});
    }
    RegCloseKey(open);
    return all;
}

std::multiset<std::string> record_texts(const char* section) {
    std::multiset<std::string> texts;
    for (const auto& v : values_of(HKEY_LOCAL_MACHINE, std::string(kProductKey) + "\\Uninstall\\" + section))
        texts.insert(v.second);
    return texts;
}

void remove_product_traces() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kWindowsEntry);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software", "SampleLastUser");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Halvern Dynamics Limited\\Sample Viewer");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Halvern Dynamics Limited", "_ktdp");
}

// Runs setup.exe from the media while drive() answers its dialogs.
class Install : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(file_exists(media() + "\\setup.exe")) << "sample media missing";
        remove_product_traces();
        SetEnvironmentVariableA("SAMPLE_HOOKS", nullptr);
        destination = dir.path() + "\\Sample Product";
    }
    void TearDown() override { remove_product_traces(); }

    ProcessResult run(const std::string& command_line, const std::function<void()>& drive) {
        return run_driven(command_line, 120000, drive);
    }
    ProcessResult setup(const std::function<void()>& drive) {
        return run("\"" + media() + "\\setup.exe\"", drive);
    }
    void choose_folder() {
        HWND path = wait_dialog("Install Path");
        ASSERT_NE(nullptr, path);
        set_control_text(path, 100, destination);
        EXPECT_TRUE(control_enabled(path, 1));
        press(path, 1);
    }
    // The whole happy path through the engine's dialogs.
    void walk_through() {
        EXPECT_TRUE(answer("Welcome to Lumendisc", 1));
        HWND license = wait_dialog("License Agreement");
        ASSERT_NE(nullptr, license);
        license_text = control_text(license, 100);
        press(license, 1);
        choose_folder();
        EXPECT_TRUE(answer("Complete", 1));
    }
    ProcessResult install() {
        return setup([this] { walk_through(); });
    }
    std::string installed(const std::string& name) {
        std::string bytes = "(missing)";
        read_file(destination + "\\" + name, &bytes);
        return bytes;
    }
    std::string original(const std::string& name) {
        std::string bytes = "(missing)";
        read_file(product_source(name), &bytes);
        return bytes;
    }

    TempDir dir{"e2e"};
    std::string destination;
    std::string license_text;
};

}  // namespace

TEST_F(Install, FreshInstallWritesEverythingAndRecordsIt) {
    ProcessResult r = install();
    ASSERT_EQ(0ul, r.exit_code) << r.output;
    std::string license;
    read_file(media() + "\\license.txt", &license);
    EXPECT_EQ(license, license_text);

    // Every file form, byte for byte, writable.
    EXPECT_EQ(original("readme.txt"), installed("readme.txt"));
    EXPECT_EQ(original("help/index.html"), installed("help\\index.html"));
    EXPECT_EQ(original("data/empty.log"), installed("logs\\empty.log"));
    EXPECT_EQ(original("data/help.dat"), installed("help\\help.dat"));
    EXPECT_EQ(original("data/settings.bin"), installed("settings.bin"));
    EXPECT_FALSE(GetFileAttributesA((destination + "\\settings.bin").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(file_exists(destination + "\\settings.bin.t"));
    EXPECT_FALSE(file_exists(destination + "\\settings.bin.t.x"));

    // The uninstaller's pieces.
    DWORD hidden = GetFileAttributesA((destination + "\\setup.exe").c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, hidden);
    EXPECT_TRUE(hidden & FILE_ATTRIBUTE_HIDDEN);
    std::string uninstall_string = destination + "\\setup.exe uninstall1," + destination +
                                   "\\uninst.dat,Sample,Software\\Halvern Dynamics Limited\\Sample";
    EXPECT_EQ(uninstall_string, read_value(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString"));
    EXPECT_EQ("Sample", read_value(HKEY_LOCAL_MACHINE, kWindowsEntry, "DisplayName"));
    std::string archive;
    ASSERT_TRUE(read_file(destination + "\\uninst.dat", &archive));
    size_t last = archive.rfind("vscript.dll");
    ASSERT_NE(std::string::npos, last);
    EXPECT_NE(std::string::npos, archive.find("license.txt"));
    EXPECT_LT(archive.find("license.txt"), last) << "the script library is the last dependency";

    // Shortcuts and their folder.
    EXPECT_TRUE(file_exists(destination + "\\Shortcuts\\Sample Readme.lnk"));
    EXPECT_TRUE(file_exists(destination + "\\Shortcuts\\Uninstall Sample.lnk"));

    // Registry values and how they are recorded.
    EXPECT_EQ(destination, read_value(HKEY_LOCAL_MACHINE, kSettingsKey, "installDir"));
    EXPECT_EQ("yes", read_value(HKEY_CURRENT_USER, "Software", "SampleLastUser"));
    EXPECT_EQ("viewer", read_value(HKEY_CURRENT_USER, "Software\\Halvern Dynamics Limited\\Sample Viewer", nullptr));
    std::multiset<std::string> values = record_texts("Value"), keys = record_texts("Key");
    EXPECT_EQ(1u, values.count(std::string("HKLM\\") + kSettingsKey + ",installDir"));
    EXPECT_EQ(1u, values.count(std::string("HKLM\\") + kSettingsKey + ",runs"));
    EXPECT_EQ(1u, values.count("HKCU\\Software,SampleLastUser"));
    EXPECT_EQ(0u, keys.count("HKCU\\Software")) << "an existing key is recorded only as a value";
    EXPECT_EQ(1u, keys.count(std::string("HKLM\\") + kSettingsKey)) << "a new key is recorded whole";
    // A new key written with its default value: the value and the whole key.
    EXPECT_EQ(1u, values.count("HKCU\\Software\\Halvern Dynamics Limited\\Sample Viewer,"));
    EXPECT_EQ(1u, keys.count("HKCU\\Software\\Halvern Dynamics Limited\\Sample Viewer"));
    EXPECT_LE(1u, keys.count(std::string("HKLM\\") + kWindowsEntry));

    std::multiset<std::string> files = record_texts("File"), dirs = record_texts("Dir");
    for (const char* name : {"readme.txt", "help\\index.html", "logs\\empty.log", "help\\help.dat",
                             "settings.bin", "setup.exe", "uninst.dat", "Shortcuts\\Sample Readme.lnk"})
        EXPECT_LE(1u, files.count(destination + "\\" + name)) << name;
    for (const char* name : {"", "\\help", "\\logs", "\\Shortcuts"})
        EXPECT_LE(1u, dirs.count(destination + name)) << name;
    // Value names are distinct: nothing recorded was overwritten.
    EXPECT_EQ(values_of(HKEY_LOCAL_MACHINE, std::string(kProductKey) + "\\Uninstall\\File").size(), files.size());
    EXPECT_EQ(3u + 3u, values.size())
        << "installDir, runs, SampleLastUser, UninstallString, DisplayName and the viewer's default value";
}

TEST_F(Install, UninstallLeavesNothingBehindButTheUsersFiles) {
    ASSERT_EQ(0ul, install().exit_code);
    std::string command = read_value(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString");
    ASSERT_TRUE(write_file(destination + "\\help\\notes.txt", "the user's own"));
    ProcessResult stage1 = run(command, [] { EXPECT_TRUE(answer("Verify Uninstall", 1)); });
    EXPECT_EQ(0ul, stage1.exit_code) << stage1.output;
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kWindowsEntry));
    // Stage 2 runs on from the Windows folder's Temp: wait for it to finish.
    DWORD start = GetTickCount();
    while (key_exists(HKEY_LOCAL_MACHINE, kProductKey) && GetTickCount() - start < 90000)
        Sleep(200);
    Sleep(3000);  // its shutdown deletes what it unpacked
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_EQ("(missing)", read_value(HKEY_CURRENT_USER, "Software", "SampleLastUser"));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "Software\\Halvern Dynamics Limited\\Sample Viewer"));
    EXPECT_FALSE(file_exists(destination + "\\readme.txt"));
    EXPECT_FALSE(file_exists(destination + "\\settings.bin"));
    EXPECT_FALSE(file_exists(destination + "\\uninst.dat"));
    EXPECT_FALSE(folder_exists(destination + "\\logs"));
    EXPECT_FALSE(folder_exists(destination + "\\Shortcuts"));
    EXPECT_TRUE(file_exists(destination + "\\help\\notes.txt")) << "the user's file stays, with its folder";
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    EXPECT_FALSE(file_exists(std::string(windows) + "\\Temp\\uninst.dat"));
    EXPECT_FALSE(file_exists(std::string(windows) + "\\Temp\\vscript.dll"));
}

TEST_F(Install, AnExistingKeyLosesOnlyItsDefaultValue) {
    const char kViewer[] = "Software\\Halvern Dynamics Limited\\Sample Viewer";
    std::string keep = std::string(kViewer) + "\\Keep";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, keep.c_str(), "own", REG_SZ, "mine", 5));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, kViewer, "own", REG_SZ, "mine", 5));
    ASSERT_EQ(0ul, install().exit_code);
    EXPECT_EQ("viewer", read_value(HKEY_CURRENT_USER, kViewer, nullptr));
    EXPECT_EQ(0u, record_texts("Key").count(std::string("HKCU\\") + kViewer)) << "the key was there before";
    EXPECT_EQ(1u, record_texts("Value").count(std::string("HKCU\\") + kViewer + ","));

    std::string command = read_value(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString");
    ProcessResult stage1 = run(command, [] { EXPECT_TRUE(answer("Verify Uninstall", 1)); });
    EXPECT_EQ(0ul, stage1.exit_code) << stage1.output;
    DWORD start = GetTickCount();
    while (key_exists(HKEY_LOCAL_MACHINE, kProductKey) && GetTickCount() - start < 90000)
        Sleep(200);
    Sleep(3000);
    EXPECT_EQ("(missing)", read_value(HKEY_CURRENT_USER, kViewer, nullptr));
    EXPECT_EQ("mine", read_value(HKEY_CURRENT_USER, kViewer, "own"));
    EXPECT_EQ("mine", read_value(HKEY_CURRENT_USER, keep.c_str(), "own"));
}

TEST_F(Install, UninstallRemovesTheEmptiedFolder) {
    ASSERT_EQ(0ul, install().exit_code);
    std::string command = read_value(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString");
    run(command, [] { EXPECT_TRUE(answer("Verify Uninstall", 1)); });
    DWORD start = GetTickCount();
    while (folder_exists(destination) && GetTickCount() - start < 90000)
        Sleep(200);
    EXPECT_FALSE(folder_exists(destination));
    EXPECT_EQ("(missing)", read_value(HKEY_LOCAL_MACHINE, "Software\\Halvern Dynamics Limited", "_ktdp"));
}

// Runs in the install_e2e_japanese test, under code page 932: a folder whose
// last character, "\x95\x5c", has a trail byte of a backslash's value is
// taken whole from the Install Path dialog, installed into and removed.
TEST_F(Install, DoubleByteFolderIsTakenWhole) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    destination = dir.path() + "\\Sample \x95\x5c";
    ProcessResult r = install();
    ASSERT_EQ(0ul, r.exit_code) << r.output;
    EXPECT_EQ(destination, read_value(HKEY_LOCAL_MACHINE, kSettingsKey, "installDir"));
    EXPECT_EQ(original("readme.txt"), installed("readme.txt"));
    EXPECT_TRUE(file_exists(destination + "\\Shortcuts\\Sample Readme.lnk"));
    EXPECT_LE(1u, record_texts("Dir").count(destination));

    std::string command = read_value(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString");
    ProcessResult stage1 = run(command, [] { EXPECT_TRUE(answer("Verify Uninstall", 1)); });
    EXPECT_EQ(0ul, stage1.exit_code) << stage1.output;
    DWORD start = GetTickCount();
    while (folder_exists(destination) && GetTickCount() - start < 90000)
        Sleep(200);
    EXPECT_FALSE(folder_exists(destination));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kProductKey));
}

TEST_F(Install, CancelAtEachDialogEndsWithMinusTwo) {
    const struct {
        int line;
        const char* caption;
        int steps_before;
    } cases[] = {{__LINE__, "Welcome to Lumendisc", 0}, {__LINE__, "License Agreement", 1},
                 {__LINE__, "Install Path", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ProcessResult r = setup([&] {
            if (c.steps_before >= 1)
                answer("Welcome to Lumendisc", 1);
            if (c.steps_before >= 2)
                answer("License Agreement", 1);
            answer(c.caption, 2);
        });
        EXPECT_EQ((DWORD)-2, r.exit_code) << r.output;
        EXPECT_FALSE(folder_exists(destination));
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kWindowsEntry));
    }
}

TEST_F(Install, InstallPathRefusesBadFoldersWhileTyping) {
    std::string long_folder = "C:\\" + std::string(257, 'a');
    ProcessResult r = setup([&] {
        answer("Welcome to Lumendisc", 1);
        answer("License Agreement", 1);
        HWND path = wait_dialog("Install Path");
        ASSERT_NE(nullptr, path);
        set_control_text(path, 100, long_folder);
        EXPECT_FALSE(control_enabled(path, 1)) << "260 characters";
        set_control_text(path, 100, destination + "\\");
        EXPECT_FALSE(control_enabled(path, 1)) << "a trailing backslash";
        set_control_text(path, 100, "C:\\a\\\\b");
        EXPECT_FALSE(control_enabled(path, 1));
        set_control_text(path, 100, destination);
        EXPECT_TRUE(control_enabled(path, 1));
        press(path, 2);
    });
    EXPECT_EQ((DWORD)-2, r.exit_code);
}

TEST_F(Install, HooksSkipTheCopyOrItsFiles) {
    SetEnvironmentVariableA("SAMPLE_HOOKS", "BeforeCopy=1");
    ProcessResult skipped = install();
    EXPECT_EQ(0ul, skipped.exit_code) << skipped.output;
    EXPECT_FALSE(file_exists(destination + "\\readme.txt"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kWindowsEntry));

    SetEnvironmentVariableA("SAMPLE_HOOKS", "FileBefore=1");
    ProcessResult none = install();
    EXPECT_EQ(0ul, none.exit_code) << none.output;
    EXPECT_FALSE(file_exists(destination + "\\readme.txt"));
    EXPECT_TRUE(file_exists(destination + "\\setup.exe")) << "the uninstaller is still set up";
    EXPECT_EQ(destination, read_value(HKEY_LOCAL_MACHINE, kSettingsKey, "installDir"));
}

TEST_F(Install, FailedFileEndsTheStageWhenTheHookSaysSo) {
    SetEnvironmentVariableA("SAMPLE_HOOKS", "FileFailed=-3");
    // A destination that is a folder cannot be written.
    ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((destination + "\\readme.txt").c_str(), nullptr));
    ProcessResult r = setup([&] {
        answer("Welcome to Lumendisc", 1);
        answer("License Agreement", 1);
        choose_folder();
    });
    EXPECT_EQ((DWORD)-3, r.exit_code) << r.output;
    EXPECT_EQ("(missing)", read_value(HKEY_LOCAL_MACHINE, kSettingsKey, "installDir"))
        << "values are not written after a fatal file";
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, (std::string(kProductKey) + "\\Uninstall").c_str()));

    SetEnvironmentVariableA("SAMPLE_HOOKS", "FileFailed=0");
    ProcessResult goes_on = install();
    EXPECT_EQ(0ul, goes_on.exit_code) << goes_on.output;
    EXPECT_TRUE(file_exists(destination + "\\settings.bin"));
}

TEST_F(Install, PreviousVersionIsReplaced) {
    ASSERT_EQ(0ul, install().exit_code);
    std::string first = destination;
    destination = dir.path() + "\\Second";
    // Texts stored without their zero byte are read whole and terminated:
    // the old uninstall command, and the cache folder whose error pages go.
    std::string command = read_value(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString");
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString", REG_SZ,
                                             command.data(), (DWORD)command.size()));
    const char kVantrel[] = "Software\\Halvern Dynamics Limited\\Vantrel";
    std::string cache = dir.path() + "\\cache";
    CreateDirectoryA(cache.c_str(), nullptr);
    for (const char* page : {"err1.html", "err4.html", "cache_data"})
        ASSERT_TRUE(write_file(cache + "\\" + page, "x"));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, kVantrel, "cacheDir", REG_SZ, cache.data(),
                                             (DWORD)cache.size()));
    ProcessResult r = setup([&] {
        EXPECT_TRUE(answer("Previous Version", 1));
        EXPECT_TRUE(answer("Verify Uninstall", 1));  // the old copy's own uninstaller
        choose_folder();
        EXPECT_TRUE(answer("Complete", 1));
    });
    EXPECT_EQ(0ul, r.exit_code) << r.output;
    EXPECT_FALSE(file_exists(first + "\\readme.txt"));
    EXPECT_TRUE(file_exists(destination + "\\readme.txt"));
    EXPECT_EQ(destination, read_value(HKEY_LOCAL_MACHINE, kSettingsKey, "installDir"));
    EXPECT_FALSE(file_exists(cache + "\\err1.html"));
    EXPECT_FALSE(file_exists(cache + "\\err4.html"));
    EXPECT_TRUE(file_exists(cache + "\\cache_data"));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVantrel);
}

TEST_F(Install, PreviousVersionCancelOrKeep) {
    ASSERT_EQ(0ul, install().exit_code);
    ProcessResult cancelled = setup([] { EXPECT_TRUE(answer("Previous Version", 2)); });
    EXPECT_EQ((DWORD)-2, cancelled.exit_code);

    // A post hook result of 2 keeps the old copy and installs over it.
    SetEnvironmentVariableA("SAMPLE_HOOKS", "OldVersionPost=2");
    ProcessResult kept = setup([&] {
        EXPECT_TRUE(answer("Previous Version", 1));
        choose_folder();
        EXPECT_TRUE(answer("Complete", 1));
    });
    EXPECT_EQ(0ul, kept.exit_code) << kept.output;
    EXPECT_TRUE(file_exists(destination + "\\readme.txt"));
}

TEST_F(Install, OldUninstallerThatCannotStartLeavesOnlyTheListedKeys) {
    ASSERT_EQ(0ul, install().exit_code);
    HKEY entry;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWindowsEntry, 0, KEY_ALL_ACCESS, &entry));
    const char missing[] = "C:\\no such folder\\setup.exe uninstall1";
    RegSetValueExA(entry, "UninstallString", 0, REG_SZ, (const BYTE*)missing, sizeof missing);
    RegCloseKey(entry);
    // What the manual clean-up removes (the product's fixed names), and a
    // neighbour that it must leave.
    const char run_key[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const char vantrel[] = "SOFTWARE\\Halvern Dynamics Limited\\Vantrel";
    const char old_entry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";
    for (const char* name : {"Vantrel", "ddeproc", "VantrelTestNeighbour"})
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, run_key, name, REG_SZ, "x", 2);
    for (const char* sub : {"\\Uninstall\\Dir", "\\Uninstall\\File", "\\Uninstall\\Key", "\\Uninstall\\Value", "\\Settings"}) {
        HKEY made;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(vantrel) + sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &made, nullptr);
        RegCloseKey(made);
    }
    HKEY made;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, old_entry, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr);
    RegCloseKey(made);

    ProcessResult r = setup([&] {
        EXPECT_TRUE(answer("Previous Version", 1));
        HWND path = wait_dialog("Install Path");
        if (path)
            press(path, 2);
    });
    EXPECT_EQ((DWORD)-2, r.exit_code);
    EXPECT_EQ("(missing)", read_value(HKEY_LOCAL_MACHINE, run_key, "Vantrel"));
    EXPECT_EQ("(missing)", read_value(HKEY_LOCAL_MACHINE, run_key, "ddeproc"));
    EXPECT_EQ("x", read_value(HKEY_LOCAL_MACHINE, run_key, "VantrelTestNeighbour"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, vantrel));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, old_entry));
    EXPECT_TRUE(file_exists(destination + "\\readme.txt")) << "the old files stay";
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kSettingsKey)) << "only the listed names go";
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, run_key, "VantrelTestNeighbour");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, vantrel);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, old_entry);
}
