// The script's hooks in-process, called as setup.exe calls them: the entry
// and its slots, InstallBegin's steps, BeforeCopy's lists, and a replace
// carried across OldVersionPost, PathPre and the settings entries.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>
#include "hostinfo.h"
#include "links.h"
#include "script.h"
#include "script_testkit.h"
#include "testkit.h"

extern "C" int __stdcall kSUMEntryPoint(SetupInfo* info, unsigned long context);

using namespace testkit;

namespace {

const char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kCollector[] = "Software\\Halvern Dynamics Limited\\Collector";
const char kInternet[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::string text_or_null(const kString& s) {
    return s.text ? "\"" + std::string(s.text) + "\"" : "(unset)";
}

void set_text(const char* key, const char* name, const std::string& value) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, REG_SZ, value.c_str(), (DWORD)value.size() + 1);
}

void set_number(const char* key, const char* name, DWORD value) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &value, sizeof value);
}

// The product's own keys are machine-wide: each test starts and ends without them.
void remove_product_keys() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, VANTREL_COMPANY_KEY);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, VANTREL_MARKER_KEY);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRunOnce, "fn_Vantrel");
}

// Install media made for one test: the install list, files beside it and in
// "setup", and the probe that records its command line.
class Media {
public:
    // length: the media folder's length in characters (a folder of that
    // length below the temporary one), 0 for the temporary folder itself.
    explicit Media(size_t length = 0) : dir_("media"), path_(dir_.path()) {
        if (length > path_.size() + 1) {
            path_ += "\\" + std::string(length - path_.size() - 1, 'm');
            CreateDirectoryA(path_.c_str(), nullptr);
        }
        CopyFileA((bin_folder() + "\\record_command.exe").c_str(), (path_ + "\\hdlutil.exe").c_str(), FALSE);
        CreateDirectoryA((path_ + "\\setup").c_str(), nullptr);
    }
    const std::string& path() const { return path_; }
    void add(const std::string& name, const std::string& bytes = "x") { write_file(path_ + "\\" + name, bytes); }
    std::string probe_commands() const {
        std::string commands;
        read_file(path_ + "\\commands.txt", &commands);
        return commands;
    }

private:
    TempDir dir_;
    std::string path_;
};

// A SetupInfo as setup.exe hands it to the script: hooks stored, folders set.
struct ScriptRun {
    SetupInfo info;
    explicit ScriptRun(const std::string& source) {
        EXPECT_EQ(0, kSUMEntryPoint(&info, 0));
        info.source_folder.set(source.c_str());
        info.destination_folder.set(source.c_str());
    }
    ~ScriptRun() {
        // Hides the splash and lets the language library go, as the
        // uninstall stage's last hook does.
        info.UninstallEnd(&info, 0);
        language_module = nullptr;
    }
};

// Answers the connection dialog from another thread: ticks the buttons in
// order, then ends it with end (a button id, or 0 for the close request).
// Reports whether the tuning box was enabled.
class ConnectionAnswer {
public:
    ConnectionAnswer(std::vector<int> ticks, int end) {
        thread_ = std::thread([this, ticks, end] {
            HWND dialog = wait_dialog("Connection");
            found_ = dialog != nullptr;
            if (!dialog)
                return;
            tuning_enabled_ = control_enabled(dialog, 102);
            for (int id : ticks)
                SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
            if (end)
                press(dialog, end);
            else
                PostMessageA(dialog, WM_CLOSE, 0, 0);
        });
    }
    ~ConnectionAnswer() { join(); }
    void join() {
        if (thread_.joinable())
            thread_.join();
    }
    bool found() { return join(), found_; }
    bool tuning_enabled() { return join(), tuning_enabled_; }

private:
    std::thread thread_;
    bool found_ = false, tuning_enabled_ = false;
};

TEST(Entry, StoresHooksZeroToTwentyFourAndLeavesTheRest) {
    SetupInfo info;
    EXPECT_EQ(0, kSUMEntryPoint(&info, 0xdeadbeef));
    for (int k = 0; k < kHookSlots; k++)
        EXPECT_EQ(k <= kUninstallEnd, info.hook(k) != nullptr) << "slot " << k;

    // The hooks with plain results, and the pre hooks that point the engine
    // at the language library's templates.
    HMODULE marker = (HMODULE)0x1234;
    language_module = marker;
    struct {
        int line;
        StageHook hook;
        int result;
        bool sets_templates;
    } stages[] = {
        {__LINE__, info.InstallEnd, 0, false},    {__LINE__, info.WelcomePre, 0, true},
        {__LINE__, info.WelcomePost, 0, false},   {__LINE__, info.ReservedHook5, 0, false},
        {__LINE__, info.PathPost, 0, false},      {__LINE__, info.CompletePost, 0, false},
        {__LINE__, info.LicensePre, 0, true},     {__LINE__, info.LicensePost, 0, false},
        {__LINE__, info.OldVersionPre, 0, true},
    };
    for (const auto& s : stages) {
        info.dialog_instance = nullptr;
        EXPECT_EQ(s.result, s.hook(&info, 0)) << "line " << s.line;
        EXPECT_EQ(s.sets_templates ? marker : nullptr, info.dialog_instance) << "line " << s.line;
    }
    for (FileHook hook : {info.FileBefore, info.FileAfter, info.ReservedHook11, info.ReservedHook12,
                          info.ReservedHook13})
        EXPECT_EQ(0, hook(&info, (char*)"C:\\a", (char*)"C:\\b", 0));
    language_module = nullptr;
}

TEST(InstallBegin, SetsNamesFoldersAndDiscTextsAndRunsTheProbeOnce) {
    if (is_this_win95())
        GTEST_SKIP() << "this part is for Windows NT";
    remove_product_keys();
    set_text(kRunOnce, "fn_Vantrel", "left by an earlier install");
    Media media;
    ScriptRun run(media.path());
    SetupInfo& info = run.info;
    tune_network = 1;
    ASSERT_EQ(0, info.InstallBegin(&info, 0));

    ASSERT_NE(nullptr, language_module);
    EXPECT_EQ(GetModuleHandleA("langres.dll"), language_module);
    EXPECT_EQ(language_module, info.dialog_instance);
    EXPECT_NE(nullptr, script_splash);
    EXPECT_STREQ("C:\\Program Files\\Vantrel", info.destination_folder.text);
    EXPECT_STREQ("Software\\Halvern Dynamics Limited\\Vantrel", info.product_key.text);
    EXPECT_STREQ("Vantrel", info.product_name.text);
    char common[260] = "";
    ASSERT_TRUE(read_text(HKEY_LOCAL_MACHINE, SHELL_FOLDERS_KEY, "Common Programs", common));
    EXPECT_EQ("\"" + std::string(common) + "\\Vantrel\"", text_or_null(info.group_folder));
    EXPECT_EQ(0, tune_network);
    EXPECT_STREQ("Vantrel Install CD", info.disc_prompt.text);
    ASSERT_EQ(1u, info.disc_labels.count);
    EXPECT_STREQ("Vantr", info.disc_labels.items[0]->text);
    EXPECT_EQ(media.path() + "\\files.dat", archive_path);
    EXPECT_EQ(media.path(), info.source_folder.text);
    EXPECT_NE(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, kRunOnce, "fn_Vantrel", RRF_RT_ANY, nullptr, nullptr,
                                          nullptr))
        << "the tuning entry of an earlier install is deleted";
    EXPECT_EQ(media.path() + "\\hdlutil.exe \"build160\" \"" + media.path() + "\" 0\r\n", media.probe_commands());
}

TEST(InstallBegin, TheProbeDecides) {
    struct {
        int line;
        const char* probe;  // test program standing in for hdlutil.exe
        int result;
    } cases[] = {
        {__LINE__, "ends_with_one.exe", 0},
        {__LINE__, "ends_with_minus_one.exe", -2},
        {__LINE__, nullptr, -2},  // no probe on the media
    };
    for (const auto& c : cases) {
        Media media;
        DeleteFileA((media.path() + "\\hdlutil.exe").c_str());
        if (c.probe)
            CopyFileA((bin_folder() + "\\" + c.probe).c_str(), (media.path() + "\\hdlutil.exe").c_str(), FALSE);
        ScriptRun run(media.path());
        EXPECT_EQ(c.result, run.info.InstallBegin(&run.info, 0)) << "line " << c.line;
    }
}

// Wine-only: a drive emulated through the test prefix's drive links. (The
// default folder's drive is shown end to end, on the prefix's own B: drive.)
TEST(InstallBegin, MediaAtADriveRoot) {
    // Media at a drive root: the archive's path is formed before the cut.
    Media root_media;
    scriptkit::EmulatedDrive drive('E', root_media.path());
    if (!drive.ready())
        GTEST_SKIP() << "no emulated drive (not under Wine)";
    ScriptRun run("E:\\");
    ASSERT_EQ(0, run.info.InstallBegin(&run.info, 0));
    EXPECT_STREQ("E:", run.info.source_folder.text);
    EXPECT_STREQ("E:\\\\files.dat", archive_path);
    EXPECT_EQ("E:\\\\hdlutil.exe \"build160\" \"E:\\\" 0\r\n", root_media.probe_commands());
}

// The entry the engine's own AddKey would have made for the same value.
void expect_as_add_key_makes(KeyEntry* entry) {
    SetupInfo reference;
    if (entry->is_number)
        reference.AddKey(entry->root, entry->subkey.text, entry->value_name.text, entry->number);
    else
        reference.AddKey(entry->root, entry->subkey.text, entry->value_name.text, entry->text.text);
    ASSERT_EQ(1u, reference.keys.count);
    KeyEntry* made = reference.keys.items[0];
    std::string name = text_or_null(entry->value_name);
    EXPECT_EQ(made->root, entry->root) << name;
    EXPECT_EQ(text_or_null(made->subkey), text_or_null(entry->subkey)) << name;
    EXPECT_EQ(text_or_null(made->value_name), text_or_null(entry->value_name)) << name;
    EXPECT_EQ(text_or_null(made->text), text_or_null(entry->text)) << name;
    EXPECT_EQ(made->number, entry->number) << name;
    EXPECT_EQ(made->is_number, entry->is_number) << name;
}

TEST(BeforeCopy, FillsTheListsFromTheInstallListAndTheTables) {
    if (is_this_win95())
        GTEST_SKIP() << "this part is for Windows NT";
    remove_product_keys();
    HKEY internet;
    RegCreateKeyExA(HKEY_CURRENT_USER, kInternet, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &internet, nullptr);
    RegCloseKey(internet);
    Media media;
    media.add("install.dat",
              "total=0x5;\r\nsrc=plain.txt; dest=plain.txt;\r\nsrc=packed.bin;& dest=bin\\packed.bin;\r\n"
              "src=masked.bin; dest=masked.bin;\r\nsrc=member.txt; dest=help\\member.txt;\r\n"
              "src=both.txt;& dest=both.txt;\r\n");
    media.add("plain.txt");
    media.add("both.txt");
    media.add("setup\\both.txt");
    media.add("setup\\packed.bin");
    media.add("setup\\masked.bin");
    ScriptRun run(media.path());
    SetupInfo& info = run.info;
    ASSERT_EQ(0, info.InstallBegin(&info, 0));
    std::string s = media.path(), d = "C:\\Dest Folder";
    info.destination_folder.set(d.c_str());

    ConnectionAnswer answer({101}, 1);
    ASSERT_EQ(0, info.BeforeCopy(&info, 0));
    EXPECT_TRUE(answer.found());
    EXPECT_FALSE(answer.tuning_enabled()) << "the tuning box is for the Windows 95 family";
    EXPECT_EQ(1, lan_connection);
    EXPECT_EQ(0, tune_network);

    struct {
        std::string source, pad, destination;
        int flags;
    } files[] = {
        {s + "\\plain.txt", "", d + "\\plain.txt", 0},
        {s + "\\setup\\packed.bin", "", d + "\\bin\\packed.bin", 1},
        {s + "\\setup\\masked.bin", s + "\\files.dat\\masked.bin", d + "\\masked.bin", 3},
        {s + "\\files.dat\\member.txt", "", d + "\\help\\member.txt", 0},
        {s + "\\both.txt", "", d + "\\both.txt", 0},  // beside the list before "setup"
    };
    ASSERT_EQ(5u, info.files.count);
    for (unsigned i = 0; i < 5; i++) {
        FileEntry* f = info.files.items[i];
        EXPECT_STREQ(files[i].source.c_str(), f->source.text) << i;
        EXPECT_STREQ(files[i].pad.c_str(), f->pad_source.text ? f->pad_source.text : "") << i;
        EXPECT_STREQ(files[i].destination.c_str(), f->destination.text) << i;
        EXPECT_EQ(files[i].flags, f->flags) << i;
    }

    std::string group = info.group_folder.text;
    std::string uninstall = "uninstall1," + d + "\\uninst.dat,Vantrel,Software\\Halvern Dynamics Limited\\Vantrel";
    struct {
        const char* name;
        std::string target;
        const char* arguments;
        int icon;
    } links[] = {
        {"Vantrel", d + "\\hub.exe", "button", 0},
        {"Settings", d + "\\hub.exe", "settings", 1},
        {"Update Now!", d + "\\vantrel_setup.exe", nullptr, 0},
        {"Connect to Internet", d + "\\linkup.exe", nullptr, 0},
        {"Vantrel Help", d + "\\help\\index.html", nullptr, 0},
        {"Download Helper", d + "\\grabber.exe", nullptr, 0},
        {"Uninstall", d + "\\setup.exe", uninstall.c_str(), 1},
    };
    ASSERT_EQ(7u, info.links.count);
    for (unsigned i = 0; i < 7; i++) {
        LinkEntry* l = info.links.items[i];
        EXPECT_EQ(group + "\\" + links[i].name + ".lnk", l->link_path.text) << i;
        EXPECT_EQ(links[i].target, l->target.text) << i;
        EXPECT_EQ(links[i].arguments ? "\"" + std::string(links[i].arguments) + "\"" : "(unset)",
                  text_or_null(l->arguments))
            << i;
        EXPECT_EQ(links[i].icon, l->icon_index) << i;
        EXPECT_EQ(nullptr, l->description.text);
        EXPECT_EQ(nullptr, l->working_folder.text);
    }

    ASSERT_EQ(53u, info.keys.count);
    for (unsigned i = 0; i < info.keys.count; i++)
        expect_as_add_key_makes(info.keys.items[i]);
    EXPECT_STREQ("optimize", info.keys.items[0]->value_name.text);
    EXPECT_EQ(0ul, info.keys.items[0]->number);
    EXPECT_STREQ("dtg_lan_state", info.keys.items[33]->value_name.text);
    EXPECT_EQ(1ul, info.keys.items[33]->number);

    ASSERT_EQ(3u, info.dependencies.count);
    const char* libraries[] = {"hostinfo.dll", "hdlutil.dll", "langres.dll"};
    for (unsigned i = 0; i < 3; i++)
        EXPECT_EQ(s + "\\" + libraries[i], info.dependencies.items[i]->text);
    DWORD vmin = 0, size = sizeof vmin;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, VANTREL_COMPONENT_KEY, "_vmin", RRF_RT_REG_DWORD,
                                          nullptr, &vmin, &size));
    EXPECT_EQ(160ul, vmin);
    remove_product_keys();
}

TEST(BeforeCopy, RefusalsAndShortLists) {
    struct {
        int line;
        const char* list;  // null: no install list
        int end;           // how the connection dialog ends: 1, 2, or 0 for closing it
        int result;
        unsigned files;
    } cases[] = {
        {__LINE__, "total=1; src=a; dest=a;", 2, -2, 0},
        {__LINE__, "total=1; src=a; dest=a;", 0, -2, 0},
        {__LINE__, nullptr, 1, -1, 0},
        {__LINE__, "total=0; src=a; dest=a;", 1, -1, 0},
        {__LINE__, "src=a; dest=a;", 1, -1, 0},
        {__LINE__, "total=3; src=a; dest=a; src=b; dest=b;", 1, 0, 2},
        // Entries read before a fault stay in the list.
        {__LINE__, "total=3; src=a; dest=a; src=b; dest=C:\\b;", 1, -1, 1},
    };
    for (const auto& c : cases) {
        Media media;
        if (c.list)
            media.add("install.dat", c.list);
        ScriptRun run(media.path());
        ASSERT_EQ(0, run.info.InstallBegin(&run.info, 0));
        ConnectionAnswer answer({}, c.end);
        EXPECT_EQ(c.result, run.info.BeforeCopy(&run.info, 0)) << "line " << c.line;
        EXPECT_EQ(c.files, run.info.files.count) << "line " << c.line;
        if (c.result < 0) {
            EXPECT_EQ(0u, run.info.links.count + run.info.keys.count + run.info.dependencies.count)
                << "line " << c.line;
        }
    }
    remove_product_keys();
}

// Every path BeforeCopy builds must fit its 260 bytes; one that does not
// ends the step with -1 and is shown to the user whole.
TEST(BeforeCopy, APathThatDoesNotFitEndsTheStepAndIsShown) {
    if (is_this_win95())
        GTEST_SKIP() << "this part is for Windows NT";
    // An install folder that leaves room for every shortcut's target
    // ("\\vantrel_setup.exe" the longest) and a destination of 17 characters.
    std::string folder = "C:\\" + std::string(238, 'd');
    struct {
        int line;
        size_t media_length;  // 0: the temporary folder
        const char* list;
        std::string destination, group;
        std::string shown;  // the path in the message; "" for none; a leading "\\": below the media folder
    } cases[] = {
        {__LINE__, 0, "total=1; src=a; dest=destination_of_17;", folder, "C:\\G", ""},
        {__LINE__, 0, "total=1; src=a; dest=destination_of_18c;", folder, "C:\\G", folder + "\\destination_of_18c"},
        // Not beside the list, and in "setup" one character too long.
        {__LINE__, 240, "total=1; src=packed_13.bin; dest=a;", "C:\\D", "C:\\G", "\\setup\\packed_13.bin"},
        {__LINE__, 0, "total=1; src=a; dest=a;", "C:\\D", "C:\\" + std::string(248, 'g'),
         "C:\\" + std::string(248, 'g') + "\\Vantrel.lnk"},
        // The install list fits; the first uninstall dependency does not.
        {__LINE__, 247, "total=1; src=a; dest=a;", "C:\\D", "C:\\G", "\\hostinfo.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        remove_product_keys();
        Media media(c.media_length);
        ASSERT_TRUE(c.media_length == 0 || media.path().size() == c.media_length);
        media.add("install.dat", c.list);
        ScriptRun run(media.path());
        ASSERT_EQ(0, run.info.InstallBegin(&run.info, 0));
        run.info.destination_folder.set(c.destination.c_str());
        run.info.group_folder.set(c.group.c_str());
        ConnectionAnswer answer({}, 1);
        scriptkit::DialogWatch box("Path Too Long", IDOK, 0xFFFF);
        EXPECT_EQ(c.shown.empty() ? 0 : -1, run.info.BeforeCopy(&run.info, 0));
        EXPECT_EQ(c.shown.empty() ? 0 : 1, box.seen());
        if (!c.shown.empty()) {
            std::string path = c.shown[0] == '\\' ? media.path() + c.shown : c.shown;
            EXPECT_NE(std::string::npos, box.text().find("\n" + path + "\n")) << box.text();
        }
    }
    remove_product_keys();
}

std::vector<std::string> names_from(SetupInfo& info, unsigned first) {
    std::vector<std::string> names;
    for (unsigned i = first; i < info.keys.count; i++)
        names.push_back(std::string(info.keys.items[i]->subkey.text) + "," + info.keys.items[i]->value_name.text);
    return names;
}

KeyEntry* restored(SetupInfo& info, const char* name) {
    for (unsigned i = info.keys.count; i-- > 0;)
        if (strcmp(info.keys.items[i]->value_name.text, name) == 0)
            return info.keys.items[i];
    return nullptr;
}

TEST(Replace, SnapshotMarkerAndRestoreAcrossTheHooks) {
    remove_product_keys();
    const char* product = VANTREL_PRODUCT_KEY;
    const char* settings = VANTREL_SETTINGS_KEY;
    set_number(product, "prefetch", 1);
    set_text(product, "NextProxy_host", "proxy.example.com");
    set_number(product, "port", 8080);
    const BYTE goal[4] = {1, 2, 3, 4};
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, product, "SizeGoal", REG_BINARY, goal, sizeof goal);
    set_text(settings, "dtg_proxy_path", "C:\\Old Vantrel");
    set_text(settings, "dtg_http_tim", std::string(259, 't'));  // the longest text a buffer holds
    set_text(settings, "dtg_port_tim", std::string(260, 'p'));  // one too long: not carried over
    set_number(settings, "o_mtu", 1400);
    set_number(settings, "d_mtu", 576);
    set_number(settings, "_aggr", 0);
    set_number(settings, "dtg_lan_state", 1);
    set_number(settings, "showend", 0);

    SetupInfo info;
    kSUMEntryPoint(&info, 0);
    info.destination_folder.set("C:\\Program Files\\Vantrel");
    EXPECT_EQ(0, info.OldVersionPost(&info, 0));
    DWORD wrpf = 0, size = sizeof wrpf;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, VANTREL_MARKER_KEY, "_wrpf", RRF_RT_REG_DWORD, nullptr,
                                          &wrpf, &size));
    EXPECT_EQ(1ul, wrpf);
    DWORD type = 0;
    BYTE block[8];
    size = sizeof block;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, VANTREL_SNAPSHOT_KEY, "SizeGoal", RRF_RT_ANY, &type,
                                          block, &size));
    EXPECT_EQ((DWORD)REG_BINARY, type);
    EXPECT_EQ(4ul, size);

    // The old version's uninstall removes its keys; the new install goes on.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, VANTREL_COMPANY_KEY "\\Vantrel");
    replacing_previous = 0;
    EXPECT_EQ(0, info.PathPre(&info, 0));
    EXPECT_EQ(1, replacing_previous);
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, VANTREL_MARKER_KEY)) << "kept until the install completes";
    EXPECT_STREQ("C:\\Old Vantrel", info.destination_folder.text);

    append_setting_entries(&info);
    std::string p = std::string(product) + ",", t = std::string(settings) + ",";
    // In the restore's own order; the two folder values and the LAN state are
    // saved but not restored, and a text too long for its buffer is not read.
    std::vector<std::string> expected = {p + "prefetch", p + "o_mtu", p + "d_mtu", p + "port", p + "NextProxy_host",
                                         p + "SizeGoal", t + "dtg_http_tim", t + "showend", t + "_aggr"};
    unsigned defaults = info.keys.count - (unsigned)expected.size();
    EXPECT_EQ(expected, names_from(info, defaults));
    EXPECT_EQ(t + "dtg_proxy_path", names_from(info, defaults - 1)[0]) << "restored after the defaults";
    for (unsigned i = defaults; i < info.keys.count; i++)
        expect_as_add_key_makes(info.keys.items[i]);
    EXPECT_EQ(0x04030201ul, restored(info, "SizeGoal")->number);
    EXPECT_EQ(1ul, restored(info, "SizeGoal")->is_number);
    EXPECT_EQ(8080ul, restored(info, "port")->number);
    EXPECT_EQ(0ul, restored(info, "_aggr")->number);
    EXPECT_EQ(std::string(259, 't'), restored(info, "dtg_http_tim")->text.text);
    EXPECT_EQ(std::string(""), restored(info, "dtg_port_tim")->text.text) << "only the empty default";
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, VANTREL_SNAPSHOT_KEY)) << "the values are not written yet";
    forget_replaced_settings();
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, VANTREL_SNAPSHOT_KEY));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, VANTREL_MARKER_KEY));
    remove_product_keys();
}

TEST(Replace, ASnapshotWithoutMarkerProposesItsFolderAndRestoresNothing) {
    struct {
        int line;
        const char* folder;  // the snapshot's dtg_proxy_path; null: none
        const char* proposed;
    } cases[] = {
        {__LINE__, "D:\\Interrupted", "D:\\Interrupted"},
        {__LINE__, "", ""},
        {__LINE__, nullptr, "C:\\Program Files\\Vantrel"},
    };
    for (const auto& c : cases) {
        remove_product_keys();
        set_number(VANTREL_SNAPSHOT_KEY, "port", 8080);
        if (c.folder)
            set_text(VANTREL_SNAPSHOT_KEY, "dtg_proxy_path", c.folder);
        SetupInfo info;
        kSUMEntryPoint(&info, 0);
        info.destination_folder.set("C:\\Program Files\\Vantrel");
        replacing_previous = 0;
        EXPECT_EQ(0, info.PathPre(&info, 0)) << "line " << c.line;
        EXPECT_STREQ(c.proposed, info.destination_folder.text) << "line " << c.line;
        EXPECT_EQ(0, replacing_previous) << "line " << c.line;
        append_setting_entries(&info);
        EXPECT_EQ(24491ul, restored(info, "port")->number) << "line " << c.line;
        forget_replaced_settings();
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, VANTREL_SNAPSHOT_KEY)) << "kept for a later replace";
    }
    remove_product_keys();
}

// Wine-only: the test program's own version is Wine's default; the Windows 95
// family is seen by a second run of it with Wine's version emulation.
const char kChild[] = "VSCRIPT_WINDOWS95_CHILD";

TEST(Windows95Family, SeenByASecondRunUnderVersionEmulation) {
    if (getenv(kChild))
        GTEST_SKIP() << "the second run itself";
    const char app[] = "Software\\Wine\\AppDefaults\\vscript_tests.exe";
    RegSetKeyValueA(HKEY_CURRENT_USER, app, "Version", REG_SZ, "win95", 6);
    SetEnvironmentVariableA(kChild, "1");
    ProcessResult r = run_process("\"" + bin_folder() + "\\vscript_tests.exe\" --gtest_filter=Windows95Child.*",
                                  nullptr, 120000);
    SetEnvironmentVariableA(kChild, nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, app);
    EXPECT_EQ(0ul, r.exit_code) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("[  PASSED  ] 1 test")) << r.output;
}

const char kDefaultShellFolders[] = ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kStartMenu[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Start Menu";
const char kProfileList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";

TEST(Windows95Child, ALanguageLibraryWithoutItsFolderNameAndShortcutsPerProfile) {
    if (!getenv(kChild))
        GTEST_SKIP() << "runs as the second run of Windows95Family";
    ASSERT_EQ(1, is_this_win95()) << "Wine's version emulation is not in effect";
    remove_product_keys();
    // The language library without string 1120, loaded first: the script's
    // load by plain name then finds this module.
    TempDir libraries("langres");
    std::string stripped = libraries / "langres.dll";
    ASSERT_TRUE(scriptkit::copy_language_library_without(bin_folder() + "\\langres.dll", stripped, {1120}));
    HMODULE preloaded = LoadLibraryA(stripped.c_str());
    ASSERT_NE(nullptr, preloaded);
    char probe[16];
    EXPECT_EQ(0, LoadStringA(preloaded, 1120, probe, sizeof probe));

    char old_programs[260] = "";
    read_text(HKEY_USERS, kDefaultShellFolders, "Programs", old_programs);
    TempDir profiles("profiles");
    std::string defaults = profiles / "Default\\Start Menu\\Programs";
    // A profile whose Programs folder fits its 260 bytes but whose link paths
    // do not; it joins the others at the end.
    std::string longer = profiles.path() + "\\" + std::string(238 - profiles.path().size(), 'l');
    RegSetKeyValueA(HKEY_USERS, kDefaultShellFolders, "Programs", REG_SZ, defaults.c_str(),
                    (DWORD)defaults.size() + 1);
    RegSetKeyValueA(HKEY_CURRENT_USER, kStartMenu, "LocalFile", REG_SZ, "Start Menu", 11);
    struct {
        const char* name;
        std::string folder;
    } users[] = {{"ann", profiles / "ann"}, {"cid", profiles / "cid"}};
    for (const auto& u : users)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kProfileList) + "\\" + u.name).c_str(), "ProfileImagePath",
                        REG_SZ, u.folder.c_str(), (DWORD)u.folder.size() + 1);

    Media media;
    media.add("install.dat", "total=1; src=a; dest=a;");
    ScriptRun run(media.path());
    SetupInfo& info = run.info;
    ASSERT_EQ(0, info.InstallBegin(&info, 0));
    EXPECT_EQ(preloaded, language_module);
    EXPECT_EQ(1, tune_network);
    char programs[260] = "";
    GetSpecialFolderch(CSIDL_PROGRAMS, programs);
    EXPECT_EQ(std::string(programs) + "\\Button Display", info.group_folder.text);

    ConnectionAnswer answer({102}, 1);
    ASSERT_EQ(0, info.BeforeCopy(&info, 0));
    EXPECT_TRUE(answer.tuning_enabled());
    EXPECT_EQ(1, tune_network);
    EXPECT_EQ(0, lan_connection);
    EXPECT_STREQ("Run Vantrel", group_name);

    // Each shortcut for the default user, then for each profile.
    std::vector<std::string> folders = {defaults, profiles / "ann\\Start Menu\\Programs",
                                        profiles / "cid\\Start Menu\\Programs"};
    const char* names[] = {"Run Vantrel", "Settings", "Update Now!", "Connect to Internet", "Vantrel Help",
                           "Download Helper", "Uninstall"};
    ASSERT_EQ(21u, info.links.count);
    for (unsigned i = 0; i < 21; i++)
        EXPECT_EQ(folders[i % 3] + "\\Vantrel\\" + names[i / 3] + ".lnk", info.links.items[i]->link_path.text) << i;
    EXPECT_STREQ("button", info.links.items[0]->arguments.text);
    EXPECT_EQ(nullptr, info.links.items[6]->arguments.text);
    EXPECT_EQ(1ul, info.keys.items[0]->number) << "optimize follows the tuning box";

    // The profile whose link paths do not fit ends BeforeCopy with -1 and
    // one message naming the first of them.
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kProfileList) + "\\bob").c_str(), "ProfileImagePath", REG_SZ,
                    longer.c_str(), (DWORD)longer.size() + 1);
    {
        ScriptRun again(media.path());
        ASSERT_EQ(0, again.info.InstallBegin(&again.info, 0));
        ConnectionAnswer connection({}, 1);
        scriptkit::DialogWatch box("Path Too Long", IDOK, 0xFFFF);
        EXPECT_EQ(-1, again.info.BeforeCopy(&again.info, 0));
        EXPECT_EQ(1, box.seen());
        std::string link = longer + "\\Start Menu\\Programs\\Vantrel\\Run Vantrel.lnk";
        EXPECT_NE(std::string::npos, box.text().find("\n" + link + "\n")) << box.text();
    }

    FreeLibrary(preloaded);
    RegSetKeyValueA(HKEY_USERS, kDefaultShellFolders, "Programs", REG_SZ, old_programs, (DWORD)strlen(old_programs) + 1);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProfileList);
    remove_product_keys();
}

}  // namespace
