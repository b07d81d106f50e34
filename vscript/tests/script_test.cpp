// The script's pieces in-process: the defaults in their order, the snapshot
// and its restore, the Programs folders of the user profiles, and the
// running-instance operations against the product's real programs.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "kregkey.h"
#include "script.h"
#include "testkit.h"

using namespace testkit;

namespace {

const char kProfileList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";
const char kStartMenu[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Start Menu";
const char kDefaultShellFolders[] = ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::vector<std::string> entry_names(SetupInfo& info) {
    std::vector<std::string> names;
    for (unsigned i = 0; i < info.keys.count; i++)
        names.push_back(info.keys.items[i]->value_name.text);
    return names;
}

const char kInternet[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

void make_key(HKEY root, const char* path) {
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

TEST(Settings, DefaultsComeInTheirOrderWithTheirTypes) {
    make_key(HKEY_CURRENT_USER, kInternet);  // the "_nac" entry comes from it
    SetupInfo info;
    info.destination_folder.set("C:\\Program Files\\Vantrel");
    info.product_name.set("Vantrel");
    replacing_previous = 0;
    append_setting_entries(&info);
    std::vector<std::string> expected = {
        "optimize", "sp", "setsp", "d_mtu", "d_rwin", "d_ttl", "NextProxy_host", "NextProxy_port", "cacheDir",
        "prefetch", "SizeGoal", "local_name", "showstart", "showend", "n4up", "_mnms", "_trs", "_tls", "_ltb",
        "dtg_max cache", "_sl", "_sp", "dtg_prefetch_threads", "dtg_last_path", "dtg_proxy", "cacheDir",
        "dtg_cache drive", "dtg_install", "dtg_http_tim", "dtg_port_tim", "_beep", "dtg_cache_only",
        "dtg_def_browser", "dtg_lan_state", "dtg_cookie_state", "_nac", "_su", "_lbu", "port", "nsapa",
        "dtg_auto_walk", "_ieg", "dtg_rpm", "_ns3g", "_ns4g", "dtg_aal", "_aggr", "bsp", "dtg_aot", "Vantrel",
        "ddeproc", "dtg_state", "dtg_proxy_path"};
    EXPECT_EQ(expected, entry_names(info));
    KeyEntry* port = info.keys.items[38];
    EXPECT_EQ(HKEY_LOCAL_MACHINE, port->root);
    EXPECT_STREQ("Software\\Halvern Dynamics Limited\\Vantrel", port->subkey.text);
    EXPECT_EQ(1ul, port->is_number);
    EXPECT_EQ(24491ul, port->number);
    EXPECT_EQ(nullptr, port->text.text) << "a number's text stays unset, as AddKey leaves it";
    KeyEntry* run = info.keys.items[49];
    EXPECT_EQ(0ul, run->is_number);
    EXPECT_STREQ("C:\\Program Files\\Vantrel\\hub.exe runstart", run->text.text);
}

TEST(Settings, NacFollowsTheUsersAutoDial) {
    DWORD one = 1;
    struct {
        int line;
        bool key;
        bool auto_dial;
        int expected;  // -1: no entry
    } cases[] = {{__LINE__, true, true, 0}, {__LINE__, true, false, 1}, {__LINE__, false, false, -1}};
    for (const auto& c : cases) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kInternet);
        if (c.key)
            RegSetKeyValueA(HKEY_CURRENT_USER, kInternet, c.auto_dial ? "EnableAutoDial" : "Other", REG_DWORD,
                            &one, 4);
        SetupInfo info;
        append_setting_entries(&info);
        int found = -1;
        for (unsigned i = 0; i < info.keys.count; i++)
            if (strcmp(info.keys.items[i]->value_name.text, "_nac") == 0)
                found = (int)info.keys.items[i]->number;
        EXPECT_EQ(c.expected, found) << "line " << c.line;
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kInternet);
    make_key(HKEY_CURRENT_USER, kInternet);
}

TEST(Profiles, EveryProgramsFolderInOrderAndLongPathsSkipped) {
    std::string old_programs(260, 0);
    read_text(HKEY_USERS, kDefaultShellFolders, "Programs", &old_programs[0]);
    old_programs.resize(strlen(old_programs.c_str()));
    RegSetKeyValueA(HKEY_USERS, kDefaultShellFolders, "Programs", REG_SZ, "C:\\WINDOWS\\Start Menu\\Programs", 32);
    RegSetKeyValueA(HKEY_CURRENT_USER, kStartMenu, "LocalFile", REG_SZ, "Start Menu", 11);
    std::string long_profile = "C:\\" + std::string(250, 'p');
    struct {
        const char* name;
        std::string folder;
    } profiles[] = {{"ann", "C:\\WINDOWS\\Profiles\\ann"}, {"bob", long_profile}, {"cid", "C:\\WINDOWS\\Profiles\\cid"}};
    for (const auto& p : profiles)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kProfileList) + "\\" + p.name).c_str(), "ProfileImagePath",
                        REG_SZ, p.folder.c_str(), (DWORD)p.folder.size() + 1);
    std::vector<std::string> seen;
    auto collect = [](const char* folder, void* context) { ((std::vector<std::string>*)context)->push_back(folder); };
    EXPECT_EQ(1, for_each_programs_folder(collect, &seen));
    std::vector<std::string> expected = {"C:\\WINDOWS\\Start Menu\\Programs",
                                         "C:\\WINDOWS\\Profiles\\ann\\Start Menu\\Programs",
                                         "C:\\WINDOWS\\Profiles\\cid\\Start Menu\\Programs"};
    EXPECT_EQ(expected, seen) << "a folder over 260 bytes is skipped, never cut";

    // A profile without its folder ends the walk there.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kProfileList) + "\\bob").c_str(), "ProfileImagePath");
    seen.clear();
    EXPECT_EQ(0, for_each_programs_folder(collect, &seen));
    EXPECT_EQ(2u, seen.size());
    EXPECT_EQ(0, for_each_programs_folder(nullptr, nullptr));

    RegSetKeyValueA(HKEY_USERS, kDefaultShellFolders, "Programs", REG_SZ, old_programs.c_str(),
                    (DWORD)old_programs.size() + 1);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProfileList);
}

// "*.lnk" also matches the 8.3 short name of a longer extension
// ("notes.lnkx" is NOTES~1.LNK on FAT and NTFS): only long names count.
TEST(Profiles, RemovingAShortcutFolderKeepsWhatIsNotAShortcut) {
    TempDir dir("links");
    std::string folder = dir.path() + "\\Vantrel";
    CreateDirectoryA(folder.c_str(), nullptr);
    struct {
        int line;
        const char* name;
        bool removed;
    } cases[] = {
        {__LINE__, "a.lnk", true},
        {__LINE__, "Read Me First.LNK", true},
        {__LINE__, "notes.lnkx", false},
        {__LINE__, "Vantrel Help.lnk1", false},
        {__LINE__, "notes.txt", false},
        {__LINE__, "a.lnk.txt", false},
    };
    for (const auto& c : cases)
        ASSERT_TRUE(write_file(folder + "\\" + c.name, "x")) << "line " << c.line;
    remove_link_folder(folder.c_str());
    for (const auto& c : cases)
        EXPECT_EQ(!c.removed, file_exists(folder + "\\" + c.name)) << "line " << c.line;
    EXPECT_TRUE(folder_exists(folder));
    for (const auto& c : cases)
        DeleteFileA((folder + "\\" + c.name).c_str());
    remove_link_folder(folder.c_str());
    EXPECT_FALSE(folder_exists(folder));
}

HANDLE start_and_wait_for(const std::string& command, const char* mutex) {
    HANDLE process = start_process(bin_folder() + "\\" + command);
    for (int i = 0; i < 200 && !mutex_exists(mutex); i++)
        Sleep(50);
    return process;
}

TEST(Shutdown, NothingRunningMeansNothingTouched) {
    EXPECT_EQ(0, send_shutdown_signal());
    EXPECT_EQ(0, dde_process_running());
    EXPECT_EQ(0, main_application_running());
    EXPECT_EQ(1, stop_dde_process());
}

TEST(Shutdown, TheSignalEndsTheMainApplication) {
    HANDLE hub = start_and_wait_for("hub.exe", "Halvern Dynamics/Vantrel/MainAppMuteX");
    ASSERT_TRUE(hub);
    EXPECT_EQ(1, main_application_running());
    send_shutdown_signal();
    wait_for_main_application_end();
    wait_for_proxy_end();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hub, 20000));
    EXPECT_EQ(0, main_application_running());
    ResetEvent(app_event);
    CloseHandle(app_event);
    app_event = INVALID_HANDLE_VALUE;
    CloseHandle(hub);
}

TEST(Shutdown, StopDdeProcessAsksFirstAndTerminatesOnlyWhenIgnored) {
    for (const char* command : {"ddeproc.exe", "ddeproc.exe /ignore-stop"}) {
        HANDLE dde = start_and_wait_for(command, "Halvern Dynamics/DDEProc/mutex");
        ASSERT_TRUE(dde) << command;
        EXPECT_EQ(1, dde_process_running()) << command;
        EXPECT_EQ(1, stop_dde_process()) << command;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dde, 20000)) << command;
        EXPECT_EQ(0, dde_process_running()) << command;
        CloseHandle(dde);
    }
}

TEST(Shutdown, AWaitEndsForAMutexNobodyHolds) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Halvern Dynamics/Proxy/mutex");
    ASSERT_TRUE(mutex);
    wait_for_proxy_end();  // returns: the mutex exists but is not held
    CloseHandle(mutex);
}

}  // namespace
