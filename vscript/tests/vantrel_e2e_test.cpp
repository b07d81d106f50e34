// The product installed as its users get it: setup.exe with vscript.dll on
// the Vantrel media, driven through its dialogs under Wine's emulation of
// Windows NT 4.0, then removed through the recorded uninstall command.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "script_testkit.h"
#include "testkit.h"
#include "vantrel_fixture.h"

using namespace testkit;
using namespace vantrel;

TEST_F(Vantrel, WindowsNtInstallsEverythingAndRemovesIt) {
    WindowsVersion nt("nt40");
    const DWORD one = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, kInternet, "EnableAutoDial", REG_DWORD, &one, sizeof one);
    bool tuning_enabled = true;
    ProcessResult r = run("\"" + media() + "\\setup.exe\"", [&] { walk_through(false, &tuning_enabled); });
    ASSERT_EQ(0ul, r.exit_code) << r.output;
    EXPECT_FALSE(tuning_enabled) << "the tuning box is for the Windows 95 family";
    EXPECT_EQ(nullptr, FindWindowA("#32770", "Complete"));

    // Every file of the list, byte for byte, whatever its form on the media.
    struct {
        const char* installed;
        std::string original;
    } files[] = {
        {"hub.exe", bin_folder() + "\\hub.exe"},               // plain
        {"relay.exe", bin_folder() + "\\relay.exe"},           // compressed
        {"ddeproc.exe", bin_folder() + "\\ddeproc.exe"},       // compressed
        {"relay alt.exe", bin_folder() + "\\relay alt.exe"},   // archive member
        {"grabber.exe", bin_folder() + "\\grabber.exe"},       // masked with its pad
        {"linkup.exe", bin_folder() + "\\linkup.exe"},
        {"vantrel_setup.exe", bin_folder() + "\\vantrel_setup.exe"},
        {"help\\index.html", source_file("help/index.html")},
        {"help\\showver.htm", source_file("help/showver.htm")},
        {"help\\prefetch.htm", source_file("help/prefetch.htm")},  // compressed
    };
    for (const auto& f : files) {
        std::string want = "(missing original)", got = "(missing)";
        read_file(f.original, &want);
        read_file(destination + "\\" + f.installed, &got);
        EXPECT_TRUE(want == got) << f.installed;
    }

    // The seven shortcuts below the common Programs folder.
    std::string group = common_programs() + "\\Vantrel";
    std::string uninstall_arguments = "uninstall1," + destination + "\\uninst.dat,Vantrel," + kProduct;
    struct {
        const char* name;
        std::string target, arguments;
        int icon;
    } links[] = {
        {"Vantrel", destination + "\\hub.exe", "button", 0},
        {"Settings", destination + "\\hub.exe", "settings", 1},
        {"Update Now!", destination + "\\vantrel_setup.exe", "", 0},
        {"Connect to Internet", destination + "\\linkup.exe", "", 0},
        {"Vantrel Help", destination + "\\help\\index.html", "", 0},
        {"Download Helper", destination + "\\grabber.exe", "", 0},
        {"Uninstall", destination + "\\setup.exe", uninstall_arguments, 1},
    };
    for (const auto& l : links) {
        Link link;
        ASSERT_TRUE(read_link(group + "\\" + l.name + ".lnk", &link)) << l.name;
        EXPECT_EQ(l.target, link.target) << l.name;
        EXPECT_EQ(l.arguments, link.arguments) << l.name;
        EXPECT_EQ(l.icon, link.icon) << l.name;
    }

    // The 53 defaults (a modem connection, no tuning on NT).
    std::string folder = destination;
    struct {
        const char* key;
        const char* name;
        Value value;
    } defaults[] = {
        {kSettings, "optimize", number(0)}, {kSettings, "sp", number(0)}, {kSettings, "d_mtu", number(0)},
        {kSettings, "d_rwin", number(0)}, {kSettings, "d_ttl", number(0)},
        {kProduct, "NextProxy_host", text("")}, {kProduct, "NextProxy_port", text("")},
        {kProduct, "cacheDir", text("")}, {kProduct, "prefetch", number(0)}, {kProduct, "SizeGoal", number(0)},
        {kSettings, "local_name", text("Vantrel")}, {kSettings, "showstart", number(1)},
        {kSettings, "showend", number(1)}, {kSettings, "n4up", number(0)}, {kSettings, "_mnms", number(0)},
        {kSettings, "_trs", number(1)}, {kSettings, "_tls", number(0)}, {kSettings, "_ltb", number(1)},
        {kSettings, "dtg_max cache", text("")}, {kSettings, "_sl", number(1)}, {kSettings, "_sp", number(1)},
        {kSettings, "dtg_prefetch_threads", number(2)}, {kSettings, "dtg_last_path", text(folder)},
        {kSettings, "dtg_proxy", number(0)}, {kSettings, "cacheDir", text("")},
        {kSettings, "dtg_cache drive", text("")}, {kSettings, "dtg_install", number(1)},
        {kSettings, "dtg_http_tim", text("")}, {kSettings, "dtg_port_tim", text("")},
        {kSettings, "_beep", number(2)}, {kSettings, "dtg_cache_only", number(0)},
        {kSettings, "dtg_def_browser", number(0)}, {kSettings, "dtg_lan_state", number(0)},
        {kSettings, "dtg_cookie_state", number(1)}, {kSettings, "_nac", number(0)},
        {kProduct, "_su", number(0)}, {kProduct, "_lbu", number(0)},
        {kProduct, "port", number(24491)}, {kSettings, "nsapa", number(0)}, {kSettings, "dtg_auto_walk", number(0)},
        {kSettings, "_ieg", number(0)}, {kSettings, "dtg_rpm", number(0)}, {kSettings, "_ns3g", number(0)},
        {kSettings, "_ns4g", number(0)}, {kSettings, "dtg_aal", number(1)}, {kSettings, "_aggr", number(1)},
        {kProduct, "bsp", text("")}, {kSettings, "dtg_aot", number(1)},
        {kRun, "Vantrel", text(folder + "\\hub.exe runstart")}, {kRun, "ddeproc", text(folder + "\\ddeproc.exe")},
        {kSettings, "dtg_state", number(1)}, {kSettings, "dtg_proxy_path", text(folder)},
        // Written after the copy by the completion hook.
        {kSettings, "setsp", number(1)}, {kSettings, "ressp", number(1)},
        {kComponent, "_vmin", number(160)},
    };
    for (const auto& d : defaults) {
        Value got = value_of(HKEY_LOCAL_MACHINE, d.key, d.name);
        EXPECT_TRUE(d.value == got) << d.name << ": " << shown(got);
    }
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kInternet, "EnableAutoDial");
    Value runonce = value_of(HKEY_LOCAL_MACHINE, kRunOnce, "fn_Vantrel");
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    EXPECT_EQ(std::string(windows) + "\\hdlutil.exe \"build160\" \"Vantrel\" 4", runonce.data.c_str());

    // The uninstall archive carries the libraries the uninstall script needs.
    std::string archive;
    ASSERT_TRUE(read_file(destination + "\\uninst.dat", &archive));
    for (const char* library : {"hostinfo.dll", "hdlutil.dll", "langres.dll", "vscript.dll"})
        EXPECT_NE(std::string::npos, archive.find(library)) << library;

    // The product was started; the uninstall asks it to close.
    set_event("VantrelEvent");
    uninstall();
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kProduct));
    EXPECT_FALSE(file_exists(destination + "\\hub.exe"));
}


TEST_F(Vantrel, Windows95AddsEachShortcutForEveryProfileAndTunesTheLan) {
    WindowsVersion win95("win95");
    Profiles profiles(dir.path() + "\\Profiles");
    // A Windows 95 machine with TCP/IP has its MSTCP key; the tuning only
    // changes parameters there.
    bool had_mstcp = key_exists(HKEY_LOCAL_MACHINE, kMstcp);
    Value mstcp_mtu = value_of(HKEY_LOCAL_MACHINE, kMstcp, "MaxMTU");
    HKEY mstcp;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMstcp, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &mstcp, nullptr));
    RegCloseKey(mstcp);
    bool tuning_enabled = false;
    ProcessResult r = run("\"" + media() + "\\setup.exe\"", [&] { walk_through(true, &tuning_enabled, true); });
    ASSERT_EQ(0ul, r.exit_code) << r.output;
    EXPECT_TRUE(tuning_enabled);
    for (const std::string& folder : profiles.folders())
        for (const char* name : {"Vantrel", "Settings", "Update Now!", "Connect to Internet", "Vantrel Help",
                                 "Download Helper", "Uninstall"})
            EXPECT_TRUE(file_exists(folder + "\\Vantrel\\" + name + ".lnk")) << folder << " " << name;
    EXPECT_FALSE(folder_exists(profiles.unreached())) << "the walk ends at the profile without its folder";
    EXPECT_TRUE(number(1) == value_of(HKEY_LOCAL_MACHINE, kSettings, "optimize"));
    EXPECT_TRUE(number(1) == value_of(HKEY_LOCAL_MACHINE, kSettings, "dtg_lan_state"));
    // The LAN tuning applied after the defaults were written.
    EXPECT_TRUE(number(1500) == value_of(HKEY_LOCAL_MACHINE, kSettings, "d_mtu"));
    EXPECT_EQ("1500", std::string(value_of(HKEY_LOCAL_MACHINE, kMstcp, "MaxMTU").data.c_str()));

    set_event("VantrelEvent");
    uninstall();
    if (!had_mstcp)
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMstcp);
    else if (mstcp_mtu.type)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, kMstcp, "MaxMTU", mstcp_mtu.type, mstcp_mtu.data.data(),
                        (DWORD)mstcp_mtu.data.size());
    else
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMstcp, "MaxMTU");
}

TEST_F(Vantrel, ReplaceKeepsTheSettingsOfTheVersionItReplaces) {
    WindowsVersion nt("nt40");
    bool tuning_enabled;
    ASSERT_EQ(0ul, run("\"" + media() + "\\setup.exe\"", [&] { walk_through(false, &tuning_enabled); }).exit_code);
    set_event("VantrelEvent");
    std::string first = destination;
    set_number(kProduct, "port", 8080);
    set_number(kSettings, "_aggr", 0);
    set_number(kSettings, "o_mtu", 1400);
    set_number(kSettings, "d_mtu", 576);
    const BYTE goal[4] = {1, 2, 3, 4};
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProduct, "SizeGoal", REG_BINARY, goal, sizeof goal);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProduct, "NextProxy_host", REG_SZ, "proxy.example.com", 18);

    std::string proposed;
    ProcessResult r = run("\"" + media() + "\\setup.exe\"", [&] {
        EXPECT_TRUE(answer("Previous Version", 1));
        EXPECT_TRUE(answer("Verify Uninstall", 1));  // the old version's own uninstall
        HWND path = wait_dialog("Install Path", 60000);
        ASSERT_NE(nullptr, path);
        proposed = control_text(path, 100);
        press(path, 1);
        EXPECT_TRUE(answer("Connection", 1));
    });
    ASSERT_EQ(0ul, r.exit_code) << r.output;
    EXPECT_EQ(first, proposed) << "the replaced version's folder is proposed";
    EXPECT_TRUE(file_exists(first + "\\hub.exe"));
    EXPECT_TRUE(number(8080) == value_of(HKEY_LOCAL_MACHINE, kProduct, "port"));
    EXPECT_TRUE(number(0) == value_of(HKEY_LOCAL_MACHINE, kSettings, "_aggr"));
    EXPECT_TRUE(number(1400) == value_of(HKEY_LOCAL_MACHINE, kProduct, "o_mtu")) << "restored into the product key";
    EXPECT_FALSE(number(1400) == value_of(HKEY_LOCAL_MACHINE, kSettings, "o_mtu"));
    EXPECT_TRUE(number(576) == value_of(HKEY_LOCAL_MACHINE, kProduct, "d_mtu"));
    EXPECT_TRUE(number(0) == value_of(HKEY_LOCAL_MACHINE, kSettings, "d_mtu"));
    EXPECT_TRUE(number(0x04030201) == value_of(HKEY_LOCAL_MACHINE, kProduct, "SizeGoal"))
        << shown(value_of(HKEY_LOCAL_MACHINE, kProduct, "SizeGoal"));
    EXPECT_TRUE(text("proxy.example.com") == value_of(HKEY_LOCAL_MACHINE, kProduct, "NextProxy_host"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "Software\\Halvern Dynamics Limited\\SavedVantrel"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\vuninst"));

    set_event("VantrelEvent");
    uninstall(false);  // aggressive mode off, carried over: nothing to keep
}

// The old version is gone once the user can still cancel the replace, or the
// copy stage can still fail: its settings then wait in the snapshot for the
// next install, which restores them as the replace would have.
TEST_F(Vantrel, AReplaceCutShortAfterTheOldVersionWentLeavesItsSettingsToTheNextInstall) {
    WindowsVersion nt("nt40");
    const char kSnapshot[] = "Software\\Halvern Dynamics Limited\\SavedVantrel";
    const char kMarker[] = "SOFTWARE\\vuninst";
    const BYTE goal[4] = {1, 2, 3, 4};
    Value block;
    block.type = REG_BINARY;
    block.data.assign((const char*)goal, sizeof goal);
    struct Carried {
        const char *from, *to, *name;
        Value old_value, restored;
    };
    // Every value the snapshot carries back, each unlike its default (setsp
    // is left out: the completed install sets it to 1 whatever it was).
    std::vector<Carried> carried = {
        {kProduct, kProduct, "prefetch", number(1), number(1)},
        {kProduct, kProduct, "port", number(8080), number(8080)},
        {kProduct, kProduct, "NextProxy_host", text("proxy.example.com"), text("proxy.example.com")},
        {kProduct, kProduct, "NextProxy_port", text("3128"), text("3128")},
        {kProduct, kProduct, "SizeGoal", block, number(0x04030201)},
        {kSettings, kSettings, "dtg_http_tim", text("http 45"), text("http 45")},
        {kSettings, kSettings, "dtg_port_tim", text("port 30"), text("port 30")},
        {kSettings, kSettings, "dtg_prefetch_threads", number(5), number(5)},
        {kSettings, kSettings, "dtg_state", number(3), number(3)},
        {kSettings, kSettings, "_beep", number(0), number(0)},
    };
    for (const char* name : {"_aggr", "_ltb", "_trs", "_sl", "_sp", "dtg_aal", "dtg_aot", "dtg_cookie_state",
                             "showstart", "showend"})
        carried.push_back({kSettings, kSettings, name, number(0), number(0)});
    for (const char* name : {"dtg_auto_walk", "dtg_cache_only", "dtg_proxy", "optimize"})
        carried.push_back({kSettings, kSettings, name, number(1), number(1)});
    for (const char* name : {"o_mtu", "o_ttl", "o_rwin", "d_mtu", "d_ttl", "d_rwin"})
        carried.push_back({kSettings, kProduct, name, number(7), number(7)});

    enum Cut { kCancelAtInstallPath, kFailingCopyStage };
    for (Cut cut : {kCancelAtInstallPath, kFailingCopyStage}) {
        SCOPED_TRACE(cut == kCancelAtInstallPath ? "cancelled at Install Path" : "failing copy stage");
        remove_product_traces();
        remove_tree(destination);
        bool tuning;
        ASSERT_EQ(0ul, run("\"" + media() + "\\setup.exe\"", [&] { walk_through(false, &tuning); }).exit_code);
        set_event("VantrelEvent");
        for (const Carried& c : carried)
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, c.from, c.name, c.old_value.type, c.old_value.data.data(),
                            (DWORD)c.old_value.data.size());

        // A folder in the place of the first file fails the copy stage.
        std::string blocked = dir.path() + "\\Blocked";
        SHCreateDirectoryExA(nullptr, (blocked + "\\hub.exe").c_str(), nullptr);
        ProcessResult cut_short = run("\"" + media() + "\\setup.exe\"", [&] {
            EXPECT_TRUE(answer("Previous Version", 1));
            EXPECT_TRUE(answer("Verify Uninstall", 1));  // the old version's own uninstall
            HWND path = wait_dialog("Install Path", 60000);
            ASSERT_NE(nullptr, path);
            if (cut == kCancelAtInstallPath) {
                press(path, 2);
                return;
            }
            set_control_text(path, 100, blocked);
            press(path, 1);
            EXPECT_TRUE(answer("Connection", 1));
            EXPECT_TRUE(answer("CopyFile Failed!", IDOK));
        });
        EXPECT_EQ(cut == kCancelAtInstallPath ? 0xFFFFFFFEul : 0xFFFFFFFFul, cut_short.exit_code) << cut_short.output;
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kSnapshot));
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kMarker));
        wait_for_stage_two();
        ASSERT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kSettings)) << "the old version is gone";

        // No previous version any more: Welcome and License come first.
        std::string proposed;
        ProcessResult next = run("\"" + media() + "\\setup.exe\"", [&] {
            HWND path = to_install_path(&proposed);
            ASSERT_NE(nullptr, path);
            press(path, 1);
            EXPECT_TRUE(answer("Connection", 1));
        });
        ASSERT_EQ(0ul, next.exit_code) << next.output;
        EXPECT_EQ(destination, proposed) << "the replaced version's folder is proposed";
        EXPECT_TRUE(file_exists(destination + "\\hub.exe"));
        for (const Carried& c : carried) {
            Value now = value_of(HKEY_LOCAL_MACHINE, c.to, c.name);
            EXPECT_TRUE(c.restored == now) << c.name << ": " << shown(now);
        }
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kSnapshot));
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kMarker));
        set_event("VantrelEvent");
        uninstall();  // prefetching carried over: the offer to keep the product comes
        remove_tree(blocked);
    }
}

TEST_F(Vantrel, RefusalsEndTheInstallBeforeAnyDialog) {
    WindowsVersion nt("nt40");
    // The media are copied so that pieces can be taken away.
    TempDir copy("media");
    std::string folder = copy.path() + "\\media";
    ASSERT_EQ(0ul, run_process("cmd /c xcopy /e /i /q \"" + media() + "\" \"" + folder + "\"").exit_code);
    std::string setup = "\"" + folder + "\\setup.exe\"";

    // Without the language library: -1 and no window.
    ASSERT_TRUE(MoveFileA((folder + "\\langres.dll").c_str(), (folder + "\\langres.off").c_str()));
    EXPECT_EQ(0xFFFFFFFFul, run_process(setup).exit_code);
    ASSERT_TRUE(MoveFileA((folder + "\\langres.off").c_str(), (folder + "\\langres.dll").c_str()));

    // The network helper's probe failing (an incomplete medium): -2.
    ASSERT_TRUE(MoveFileA((folder + "\\files.dat").c_str(), (folder + "\\files.off").c_str()));
    EXPECT_EQ(0xFFFFFFFEul, run_process(setup).exit_code);
    ASSERT_TRUE(MoveFileA((folder + "\\files.off").c_str(), (folder + "\\files.dat").c_str()));

    // A probe that answers 1 lets the install go on to its first dialog.
    ASSERT_TRUE(CopyFileA((bin_folder() + "\\ends_with_one.exe").c_str(), (folder + "\\hdlutil.exe").c_str(), FALSE));
    ProcessResult goes_on = run(setup, [] { EXPECT_TRUE(answer("Welcome", 2)); });
    EXPECT_EQ(0xFFFFFFFEul, goes_on.exit_code) << "cancelled at Welcome";
}

TEST_F(Vantrel, AJapaneseSystemGetsTheWrongLanguageMessage) {
    // Wine takes the system's language from the Unix locale it was started
    // with: CTest runs this case once more with a Japanese one.
    if (PRIMARYLANGID(GetSystemDefaultLangID()) != LANG_JAPANESE)
        GTEST_SKIP() << "the system's language is not Japanese";
    WindowsVersion nt("nt40");
    ProcessResult r = run("\"" + media() + "\\setup.exe\"", [&] {
        HWND message = wait_dialog("Wrong Language");
        ASSERT_NE(nullptr, message);
        press(message, IDOK);
    });
    EXPECT_EQ(0xFFFFFFFFul, r.exit_code);
    EXPECT_EQ(nullptr, FindWindowA("#32770", "Welcome"));
}

namespace {

// Copies the Vantrel media into folder (made when missing); with probe, a
// test program of that name stands in for the network helper.
bool copy_media(const std::string& folder, const char* probe = nullptr) {
    if (run_process("cmd /c xcopy /e /i /q /y \"" + media() + "\" \"" + folder + "\"").exit_code != 0)
        return false;
    return !probe || CopyFileA((bin_folder() + "\\" + probe).c_str(), (folder + "\\hdlutil.exe").c_str(), FALSE);
}

}  // namespace

TEST_F(Vantrel, InstallListFormsAsTheScriptReadsThem) {
    WindowsVersion nt("nt40");
    TempDir copy("forms");
    std::string folder = copy.path() + "\\media";
    // The network helper's probe refuses media whose list does not match
    // them; here the script's own reading is under test, so the probe is one
    // that always answers 1.
    ASSERT_TRUE(copy_media(folder, "ends_with_one.exe"));
    // A second relay.exe beside the list: taken before the one in "setup".
    ASSERT_TRUE(write_file(folder + "\\relay.exe", "beside the list"));
    struct {
        int line;
        const char* list;
        DWORD exit_code;
        std::vector<std::string> installed, absent;
    } cases[] = {
        {__LINE__, "total=0x2; src=linkup.exe; dest=linkup.exe; src=relay.exe;& dest=relay.exe; "
                   "src=grabber.exe; dest=grabber.exe;",
         0, {"linkup.exe", "relay.exe"}, {"grabber.exe"}},
        {__LINE__, "total=010; src=grabber.exe; dest=grabber.exe; src=index.html; dest=help\\index.html;", 0,
         {"grabber.exe", "help\\index.html"}, {"linkup.exe"}},
        {__LINE__, "total=0; src=linkup.exe; dest=linkup.exe;", 0xFFFFFFFF, {}, {"linkup.exe"}},
        {__LINE__, "total=1; src=linkup.exe; dest=..\\linkup.exe;", 0xFFFFFFFF, {}, {"..\\linkup.exe"}},
    };
    for (const auto& c : cases) {
        remove_tree(destination);
        remove_product_traces();
        ASSERT_TRUE(write_file(folder + "\\install.dat", c.list));
        bool tuning;
        ProcessResult r = run("\"" + folder + "\\setup.exe\"", [&] { walk_through(false, &tuning); });
        EXPECT_EQ(c.exit_code, r.exit_code) << "line " << c.line;
        for (const std::string& name : c.installed)
            EXPECT_TRUE(file_exists(destination + "\\" + name)) << "line " << c.line << " " << name;
        for (const std::string& name : c.absent)
            EXPECT_FALSE(file_exists(destination + "\\" + name)) << "line " << c.line << " " << name;
        std::string relay;
        if (read_file(destination + "\\relay.exe", &relay)) {
            EXPECT_EQ("beside the list", relay) << "line " << c.line;
        }
    }
    remove_tree(destination);
}

TEST_F(Vantrel, MediaAtADriveRoot) {
    WindowsVersion nt("nt40");
    // R: is the test prefix's emulated CD drive, backed by a writable folder.
    ASSERT_TRUE(copy_media("R:\\"));
    bool tuning;
    ProcessResult r = run("R:\\setup.exe", [&] { walk_through(false, &tuning); });
    EXPECT_EQ(0ul, r.exit_code) << r.output;
    // Archive members are still found through "R:\\files.dat".
    for (const char* name : {"linkup.exe", "relay alt.exe", "help\\index.html", "grabber.exe", "hub.exe"})
        EXPECT_TRUE(file_exists(destination + "\\" + name)) << name;
    run_process("cmd /c del /q R:\\*.* & rmdir /s /q R:\\setup");
    // The drive's label file went with the rest: Wine reads it again when
    // its services restart.
    write_file("R:\\.windows-label", CdDrive::label());
}

TEST_F(Vantrel, TheProbeRunsOnceWithItsCommandLineBeforeTheFirstDialog) {
    WindowsVersion nt("nt40");
    TempDir copy("probe");
    std::string folder = copy.path() + "\\media";
    ASSERT_TRUE(copy_media(folder, "record_command.exe"));
    std::string before_welcome = "(not run)";
    ProcessResult r = run("\"" + folder + "\\setup.exe\"", [&] {
        HWND welcome = wait_dialog("Welcome");
        read_file(folder + "\\commands.txt", &before_welcome);
        if (welcome)
            press(welcome, 2);
    });
    EXPECT_EQ(0xFFFFFFFEul, r.exit_code);
    // One line: the probe ran once (the file is written in text mode).
    EXPECT_EQ(folder + "\\hdlutil.exe \"build160\" \"" + folder + "\" 0\r\n", before_welcome);
}

TEST_F(Vantrel, SystemsTheProductCannotRunOnAreRefusedWithAMessage) {
    // Wine cannot show NT 4.0 before service pack 3 or Win32s: a hostinfo.dll
    // with answers set by the test stands in for the real one.
    TempDir copy("system");
    std::string folder = copy.path() + "\\media";
    ASSERT_TRUE(copy_media(folder));
    ASSERT_TRUE(CopyFileA((bin_folder() + "\\forced\\hostinfo.dll").c_str(), (folder + "\\hostinfo.dll").c_str(), FALSE));
    struct {
        int line;
        const char* answers;  // Windows 95, valid Win32, service pack 3, Japan
        const char* caption;  // the message shown, or the first dialog
    } cases[] = {
        {__LINE__, "0100", "Service Pack Required"},
        {__LINE__, "0000", "System Not Supported"},
        {__LINE__, "0010", "System Not Supported"},
        {__LINE__, "1000", "Welcome"},  // the 95 family is never refused
        {__LINE__, "0111", "Wrong Language"},
    };
    for (const auto& c : cases) {
        SetEnvironmentVariableA("HOSTINFO_ANSWERS", c.answers);
        bool shown = false;
        ProcessResult r = run("\"" + folder + "\\setup.exe\"", [&] {
            HWND window = wait_dialog(c.caption);
            shown = window != nullptr;
            if (window)
                press(window, strcmp(c.caption, "Welcome") == 0 ? 2 : IDOK);
        });
        EXPECT_TRUE(shown) << "line " << c.line;
        DWORD expected = strcmp(c.caption, "Wrong Language") == 0 ? 0xFFFFFFFF : 0xFFFFFFFE;
        EXPECT_EQ(expected, r.exit_code) << "line " << c.line;
    }
    SetEnvironmentVariableA("HOSTINFO_ANSWERS", nullptr);
}

TEST_F(Vantrel, ASnapshotLeftByAnInterruptedReplaceProposesItsFolderOnly) {
    WindowsVersion nt("nt40");
    const char kSnapshot[] = "Software\\Halvern Dynamics Limited\\SavedVantrel";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSnapshot, "dtg_proxy_path", REG_SZ, destination.c_str(),
                    (DWORD)destination.size() + 1);
    set_number(kSnapshot, "port", 8080);
    std::string proposed;
    ProcessResult r = run("\"" + media() + "\\setup.exe\"", [&] {
        HWND path = to_install_path(&proposed);
        ASSERT_NE(nullptr, path);
        press(path, 1);
        EXPECT_TRUE(answer("Connection", 1));
    });
    ASSERT_EQ(0ul, r.exit_code) << r.output;
    EXPECT_EQ(destination, proposed);
    EXPECT_TRUE(file_exists(destination + "\\hub.exe"));
    EXPECT_TRUE(number(24491) == value_of(HKEY_LOCAL_MACHINE, kProduct, "port")) << "no replace: nothing restored";
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kSnapshot)) << "kept until a replace restores it";
    set_event("VantrelEvent");
    uninstall();
}

TEST_F(Vantrel, TheDefaultFolderGoesToTheFirstFixedDriveWithProgramFiles) {
    WindowsVersion nt("nt40");
    // B: is the test prefix's second fixed disk, before C:.
    ASSERT_EQ((UINT)DRIVE_FIXED, GetDriveTypeA("B:\\"));
    struct {
        int line;
        bool program_files_on_b;
        const char* proposed;
    } cases[] = {
        {__LINE__, false, "C:\\Program Files\\Vantrel"},
        {__LINE__, true, "B:\\Program Files\\Vantrel"},
    };
    for (const auto& c : cases) {
        if (c.program_files_on_b)
            CreateDirectoryA("B:\\Program Files", nullptr);
        std::string proposed;
        run("\"" + media() + "\\setup.exe\"", [&] {
            HWND path = to_install_path(&proposed);
            ASSERT_NE(nullptr, path);
            press(path, 2);
        });
        EXPECT_EQ(c.proposed, proposed) << "line " << c.line;
        RemoveDirectoryA("B:\\Program Files");
    }
}


namespace {

// The current user's Internet settings taken away for a test and put back.
class NoInternetSettings {
public:
    NoInternetSettings() {
        RegDeleteTreeA(HKEY_CURRENT_USER, kBackup);
        HKEY backup;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kBackup, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &backup, nullptr) ==
            ERROR_SUCCESS) {
            saved_ = RegCopyTreeA(HKEY_CURRENT_USER, kInternet, backup) == ERROR_SUCCESS;
            RegCloseKey(backup);
        }
        if (saved_)
            RegDeleteTreeA(HKEY_CURRENT_USER, kInternet);
    }
    ~NoInternetSettings() {
        if (!saved_)
            return;
        HKEY internet;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kInternet, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &internet,
                            nullptr) == ERROR_SUCCESS) {
            RegCopyTreeA(HKEY_CURRENT_USER, kBackup, internet);
            RegCloseKey(internet);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Vantrel test backup");
    }
    bool ready() const { return saved_; }

private:
    static constexpr const char* kBackup = "Software\\Vantrel test backup\\Internet Settings";
    bool saved_ = false;
};

}  // namespace

TEST_F(Vantrel, ALanguageLibraryWithoutTheFolderNameOnTheWindows95Family) {
    WindowsVersion win95("win95");
    TempDir copy("nofolder");
    std::string folder = copy.path() + "\\media";
    ASSERT_TRUE(copy_media(folder));
    ASSERT_TRUE(scriptkit::copy_language_library_without(media() + "\\langres.dll", folder + "\\langres.dll", {1120}));
    // No profiles: the shortcuts go to the default user's Programs folder only.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation");
    std::string programs = value_of(HKEY_USERS, kDefaultShellFolders, "Programs").data.c_str();
    ASSERT_FALSE(programs.empty());
    NoInternetSettings no_internet;
    ASSERT_TRUE(no_internet.ready());
    bool tuning;
    ProcessResult r = run("\"" + folder + "\\setup.exe\"", [&] { walk_through(false, &tuning); });
    ASSERT_EQ(0ul, r.exit_code) << r.output;
    EXPECT_TRUE(file_exists(programs + "\\Vantrel\\Run Vantrel.lnk"));
    EXPECT_FALSE(file_exists(programs + "\\Vantrel\\Vantrel.lnk"));
    EXPECT_TRUE(file_exists(programs + "\\Vantrel\\Uninstall.lnk"));
    EXPECT_EQ((DWORD)0, value_of(HKEY_LOCAL_MACHINE, kSettings, "_nac").type) << "no entry without the settings key";
    EXPECT_TRUE(number(1) == value_of(HKEY_LOCAL_MACHINE, kSettings, "dtg_aot")) << "the other defaults are there";
    remove_tree(programs + "\\Vantrel");
}

TEST_F(Vantrel, AFolderTextOtherThanTheProductNameLeavesNoShortcutsOnTheWindows95Family) {
    WindowsVersion win95("win95");
    Profiles profiles(dir.path() + "\\Profiles");
    TempDir copy("folder");
    std::string folder = copy.path() + "\\media";
    ASSERT_TRUE(copy_media(folder));
    // The shortcuts go below the product's name; the uninstall names the
    // folder with string 1120, here another text.
    ASSERT_TRUE(scriptkit::copy_language_library_changed(media() + "\\langres.dll", folder + "\\langres.dll",
                                                         {{1120, "Vantrel Tools"}}));
    bool tuning;
    ProcessResult r = run("\"" + folder + "\\setup.exe\"", [&] { walk_through(false, &tuning); });
    ASSERT_EQ(0ul, r.exit_code) << r.output;
    for (const std::string& programs : profiles.folders())
        ASSERT_TRUE(file_exists(programs + "\\Vantrel\\Uninstall.lnk")) << programs;
    set_event("VantrelEvent");
    uninstall();
    for (const std::string& programs : profiles.folders())
        EXPECT_FALSE(folder_exists(programs + "\\Vantrel")) << programs;
}
