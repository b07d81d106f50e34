// The uninstall side of the script in-process: the cache question and what
// each answer removes, the folders a cache path may never take with it, and
// the reaction to a file that could not be installed.
#include <gtest/gtest.h>
#include <aclapi.h>
#include <shlobj.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>
#include "mediawrite.h"
#include "placer.h"
#include "script.h"
#include "script_testkit.h"
#include "testkit.h"

extern "C" int __stdcall kSUMEntryPoint(SetupInfo* info, unsigned long context);

using namespace testkit;
using scriptkit::DialogWatch;

namespace {

const char kCacheValue[] = "cacheDir";

void set_cache_dir(const std::string& folder) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, VANTREL_PRODUCT_KEY, kCacheValue, REG_SZ, folder.c_str(),
                    (DWORD)folder.size() + 1);
}

std::string windows_folder() {
    char path[MAX_PATH];
    GetWindowsDirectoryA(path, sizeof path);
    return path;
}

std::string special_folder(int id) {
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, path, id, FALSE);
    return path;
}

// The uninstall stage's hooks as setup.exe calls them, with the language
// library loaded by UninstallBegin and let go by UninstallEnd.
struct UninstallRun {
    SetupInfo info;
    explicit UninstallRun(const std::string& install_folder) {
        EXPECT_EQ(0, kSUMEntryPoint(&info, 0));
        info.destination_folder.set(install_folder.c_str());
        info.product_name.set("Vantrel");
        EXPECT_EQ(0, info.UninstallBegin(&info, 0));
    }
    ~UninstallRun() { info.UninstallEnd(&info, 0); }
};

std::string short_name(const std::string& path) {
    char name[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), name, sizeof name);
    return length && length < sizeof name ? name : "";
}

std::string registry_text(HKEY root, const char* subkey, const char* name) {
    char text[MAX_PATH] = "";
    DWORD size = sizeof text;
    RegGetValueA(root, subkey, name, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

// A drive letter that shows a folder (SUBST), taken away again at the end.
class SubstDrive {
public:
    SubstDrive(const char* drive, const std::string& folder) : drive_(drive) {
        made_ = DefineDosDeviceA(0, drive, folder.c_str()) != 0;
    }
    ~SubstDrive() {
        if (made_)
            DefineDosDeviceA(DDD_REMOVE_DEFINITION, drive_, nullptr);
    }

private:
    const char* drive_;
    bool made_;
};

const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

TEST(Cache, ATreeIsDeletedOnlyWhereNothingOfTheSystemLies) {
    TempDir install("install");
    SetupInfo info;
    info.destination_folder.set(install.path().c_str());
    std::string install_parent = install.path().substr(0, install.path().rfind('\\'));
    TempDir cache("cache");
    std::string windows = windows_folder();
    std::string program_files = registry_text(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir");
    std::string profile = special_folder(CSIDL_PROFILE), appdata = special_folder(CSIDL_APPDATA);
    std::string in_windows = windows + "\\Temp\\vantrel cache", in_program_files = program_files + "\\vantrel cache",
                in_appdata = appdata + "\\vantrel cache";
    // Wine's emulated CD drive R: is writable (on Windows the folder is
    // simply missing, and refused as well).
    std::string on_cd = "R:\\vantrel cache";
    for (const std::string& folder : {cache / "sub", in_windows, in_program_files, in_appdata, on_cd})
        CreateDirectoryA(folder.c_str(), nullptr);
    // Links and SUBST drives as Windows NT has them.
    std::string link = cache / "link";
    ASSERT_TRUE(scriptkit::make_folder_link(link, windows));
    SubstDrive windows_drive("Y:", windows), cache_drive("W:", cache.path());
    struct {
        int line;
        std::string folder;
        int deletable;
    } cases[] = {
        {__LINE__, cache.path(), 1},
        {__LINE__, cache / "sub", 1},
        {__LINE__, cache / "sub\\..", 1},
        {__LINE__, short_name(cache.path()), 1},
        {__LINE__, "W:\\sub", 1},
        {__LINE__, in_program_files, 1},
        {__LINE__, in_appdata, 1},
        {__LINE__, cache / "missing", 0},
        {__LINE__, "cache", 0},
        {__LINE__, "", 0},
        {__LINE__, "\\" + cache.path().substr(3), 0},
        // Devices and the forms that bypass the system's path rules.
        {__LINE__, "\\\\?\\" + cache.path(), 0},
        {__LINE__, "\\\\.\\" + cache.path(), 0},
        {__LINE__, cache / "nul", 0},
        {__LINE__, cache / "sub\\COM1.txt", 0},
        {__LINE__, cache / "s*", 0},
        {__LINE__, cache.path() + ":stream", 0},
        // Network paths and administrative shares.
        {__LINE__, "\\\\server\\share", 0},
        {__LINE__, "\\\\server\\share\\cache", 0},
        {__LINE__, "\\\\localhost\\C$\\" + cache.path().substr(3), 0},
        // Drive roots, whatever names them; Wine's Z: is the Unix root.
        {__LINE__, "C:\\", 0},
        {__LINE__, "C:", 0},
        {__LINE__, "c:/", 0},
        {__LINE__, "Q:\\cache", 0},
        {__LINE__, on_cd, 0},
        {__LINE__, "W:\\", 0},
        {__LINE__, "Z:\\tmp", 0},
        // The Windows and System folders and everything below them.
        {__LINE__, windows, 0},
        {__LINE__, windows + "\\", 0},
        {__LINE__, windows + "\\Fonts", 0},
        {__LINE__, in_windows, 0},
        {__LINE__, special_folder(CSIDL_SYSTEM), 0},
        {__LINE__, special_folder(CSIDL_SYSTEM) + "\\drivers", 0},
        {__LINE__, "Y:\\Fonts", 0},
        {__LINE__, link, 0},
        {__LINE__, link + "\\Temp", 0},
        {__LINE__, program_files + "\\..\\" + windows.substr(3), 0},
        // Program Files, the profiles and the shell folders themselves.
        {__LINE__, program_files, 0},
        {__LINE__, short_name(program_files), 0},
        {__LINE__, profile, 0},
        {__LINE__, profile.substr(0, profile.rfind('\\')), 0},
        {__LINE__, appdata, 0},
        {__LINE__, special_folder(CSIDL_DESKTOPDIRECTORY), 0},
        {__LINE__, special_folder(CSIDL_COMMON_PROGRAMS), 0},
        {__LINE__, special_folder(CSIDL_PROGRAMS), 0},
        {__LINE__, special_folder(CSIDL_STARTMENU), 0},
        {__LINE__, install.path(), 0},
        {__LINE__, install_parent, 0},
        {__LINE__, install.path() + "\\..", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.deletable, cache_tree_deletable(c.folder.c_str(), &info)) << "line " << c.line << ": " << c.folder;

    // A folder that must stay but cannot be read: nothing is deleted.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir");
    EXPECT_EQ(0, cache_tree_deletable(cache.path().c_str(), &info));
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", REG_SZ, program_files.c_str(),
                    (DWORD)program_files.size() + 1);
    EXPECT_EQ(1, cache_tree_deletable(cache.path().c_str(), &info));
    // A profile without a folder has none to keep; one whose folder cannot
    // be read (longer than a path) keeps everything.
    const char kProfiles95[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";
    std::string too_long = "C:\\" + std::string(300, 'p');
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kProfiles95) + "\\ann").c_str(), "Flags", REG_SZ, "", 1);
    EXPECT_EQ(1, cache_tree_deletable(cache.path().c_str(), &info));
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kProfiles95) + "\\bob").c_str(), "ProfileImagePath", REG_SZ,
                    too_long.c_str(), (DWORD)too_long.size() + 1);
    EXPECT_EQ(0, cache_tree_deletable(cache.path().c_str(), &info));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProfiles95);
    ASSERT_TRUE(scriptkit::remove_folder_link(link));
    for (const std::string& folder : {in_windows, in_program_files, in_appdata, on_cd})
        RemoveDirectoryA(folder.c_str());
}

// A folder named 表 (0x95 0x5C): its trail byte is a backslash, which a
// byte-wise walk would take for a separator.
TEST(Cache, DoubleByteFoldersAreNamedWhole) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    TempDir top("dbcs");
    std::string cache = top.path() + "\\\x95\x5c", install = cache + "\\Vantrel";
    ASSERT_TRUE(CreateDirectoryA(cache.c_str(), nullptr)) << cache << " error " << GetLastError();
    struct {
        int line;
        std::string destination;
        int deletable;
    } cases[] = {
        {__LINE__, top.path() + "\\Vantrel", 1},
        {__LINE__, install, 0},
        {__LINE__, cache, 0},
    };
    for (const auto& c : cases) {
        SetupInfo info;
        info.destination_folder.set(const_cast<char*>(c.destination.c_str()));
        EXPECT_EQ(c.deletable, cache_tree_deletable(cache.c_str(), &info)) << "line " << c.line;
    }
    RemoveDirectoryA(cache.c_str());
}

// A cache as the product leaves it: its marker, the error pages, and files
// in nested folders.
void make_cache(const std::string& folder, bool marked) {
    CreateDirectoryA(folder.c_str(), nullptr);
    if (marked)
        write_file(folder + "\\cache_data", "index");
    for (const char* page : {"err1.html", "err2.html", "err3.html", "err4.html", "page.html"})
        write_file(folder + "\\" + page, page);
    CreateDirectoryA((folder + "\\ab").c_str(), nullptr);
    CreateDirectoryA((folder + "\\ab\\cd").c_str(), nullptr);
    write_file(folder + "\\ab\\cd\\object", "cached");
}

TEST(Cache, EachAnswerRemovesWhatItSays) {
    TempDir install("install"), caches("caches"), elsewhere("elsewhere");
    ASSERT_TRUE(write_file(elsewhere / "kept.txt", "the user's"));
    const char* kept_after_answer_1[] = {"cache_data", "page.html", "ab\\cd\\object"};
    struct {
        int line;
        std::string folder;
        bool marked;
        int answer;  // 0: no question expected
        bool tree_gone;
    } cases[] = {
        {__LINE__, caches / "whole", true, 2, true},
        {__LINE__, caches / "pages", true, 1, false},
        {__LINE__, caches / "unmarked", false, 0, false},
    };
    for (const auto& c : cases) {
        make_cache(c.folder, c.marked);
        set_cache_dir(c.folder);
        {
            UninstallRun run(install.path());
            DialogWatch question("Cache", c.answer ? c.answer : 2);
            EXPECT_EQ(0, run.info.VerifyUninstallPost(&run.info, 0)) << "line " << c.line;
            EXPECT_EQ(c.answer != 0 ? 1 : 0, question.seen()) << "line " << c.line;
        }
        EXPECT_EQ(c.tree_gone, !folder_exists(c.folder)) << "line " << c.line;
        if (c.tree_gone)
            continue;
        for (const char* page : {"err1.html", "err2.html", "err3.html", "err4.html"})
            EXPECT_EQ(c.answer == 0, file_exists(c.folder + "\\" + page)) << "line " << c.line << " " << page;
        for (const char* kept : kept_after_answer_1)
            EXPECT_EQ(c.marked || strcmp(kept, "cache_data") != 0, file_exists(c.folder + "\\" + kept))
                << "line " << c.line << " " << kept;
    }

    // A link inside the cache goes, never what it shows. Wine cannot remove
    // its Unix links to folders through RemoveDirectoryA: there the link,
    // and with it the cache folder, stays.
    std::string linked = caches / "linked";
    make_cache(linked, true);
    ASSERT_TRUE(scriptkit::make_folder_link(linked + "\\ab\\elsewhere", elsewhere.path()));
    set_cache_dir(linked);
    {
        UninstallRun run(install.path());
        DialogWatch question("Cache", 2);
        EXPECT_EQ(0, run.info.VerifyUninstallPost(&run.info, 0));
    }
    EXPECT_TRUE(file_exists(elsewhere / "kept.txt"));
    EXPECT_FALSE(file_exists(linked + "\\cache_data"));
    EXPECT_FALSE(folder_exists(linked + "\\ab\\cd"));
    if (!scriptkit::under_wine()) {
        EXPECT_FALSE(folder_exists(linked));
    }
    scriptkit::remove_folder_link(linked + "\\ab\\elsewhere");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, VANTREL_COMPANY_KEY);
}

// The real uninstall, answered "delete the whole cache", with the cache
// value naming a decoy folder in a form that must be refused: every file
// of the decoy stays, the error pages included.
TEST(Cache, TheUninstallLeavesARefusedFolderUntouched) {
    TempDir install("install"), decoys("decoys");
    const char kTestShellFolder[] = "Vantrel test folder";
    std::string decoy = decoys / "decoy folder";
    std::string link = decoys / "link";
    make_cache(decoy, true);
    struct {
        int line;
        std::string cache;
        const char* form;
    } cases[] = {
        {__LINE__, "\\\\?\\" + decoy, "\\\\?\\"},
        {__LINE__, link, "link"},
        {__LINE__, decoy + "\\ab\\..", "shell folder"},
        {__LINE__, short_name(decoy), "shell folder"},
        {__LINE__, decoy, "install folder"},
    };
    for (const auto& c : cases) {
        make_cache(decoy, true);
        ASSERT_TRUE(scriptkit::make_folder_link(link, decoy));
        if (!strcmp(c.form, "shell folder"))
            RegSetKeyValueA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, kTestShellFolder, REG_SZ, decoy.c_str(),
                            (DWORD)decoy.size() + 1);
        set_cache_dir(c.cache);
        {
            UninstallRun run(!strcmp(c.form, "install folder") ? decoy : install.path());
            DialogWatch question("Cache", 2);
            EXPECT_EQ(0, run.info.VerifyUninstallPost(&run.info, 0)) << "line " << c.line;
            EXPECT_EQ(1, question.seen()) << "line " << c.line;
        }
        RegDeleteKeyValueA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, kTestShellFolder);
        ASSERT_TRUE(scriptkit::remove_folder_link(link));
        for (const char* file : {"cache_data", "err1.html", "err4.html", "page.html", "ab\\cd\\object"})
            EXPECT_TRUE(file_exists(decoy + "\\" + file)) << "line " << c.line << " (" << c.form << "): " << file;
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, VANTREL_COMPANY_KEY);
}

// The registered browser of "http" replaced for a test and put back.
class RegisteredBrowser {
public:
    explicit RegisteredBrowser(const std::string& command) {
        char old[1024];
        LONG size = sizeof old;
        had_ = RegQueryValueA(HKEY_CLASSES_ROOT, kCommand, old, &size) == ERROR_SUCCESS;
        if (had_)
            old_ = old;
        RegSetValueA(HKEY_CLASSES_ROOT, kCommand, REG_SZ, command.c_str(), (DWORD)command.size());
    }
    ~RegisteredBrowser() {
        if (had_)
            RegSetValueA(HKEY_CLASSES_ROOT, kCommand, REG_SZ, old_.c_str(), (DWORD)old_.size());
        else
            RegDeleteTreeA(HKEY_CLASSES_ROOT, "http");
    }

private:
    static constexpr const char* kCommand = "http\\shell\\open\\command";
    bool had_ = false;
    std::string old_;
};

std::string wait_for_lines(const std::string& file, size_t lines) {
    std::string text;
    for (int i = 0; i < 100; i++) {
        if (read_file(file, &text) && (size_t)std::count(text.begin(), text.end(), '\n') >= lines)
            break;
        Sleep(100);
    }
    return text;
}

TEST(KeepProduct, HelpButtonsOpenThePagesAndClosingKeepsWithoutReadingTheBoxes) {
    TempDir browser_folder("browser"), install("Vantrel Product");
    std::string browser = browser_folder / "browser.exe", commands = browser_folder / "commands.txt";
    ASSERT_TRUE(CopyFileA((bin_folder() + "\\record_command.exe").c_str(), browser.c_str(), FALSE));
    RegisteredBrowser registered("\"" + browser + "\" \"%1\"");
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY, "dtg_proxy_path", REG_SZ, install.path().c_str(),
                    (DWORD)install.path().size() + 1);
    DWORD on = 1;
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY, "_aggr", REG_DWORD, &on, sizeof on);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, VANTREL_PRODUCT_KEY, "prefetch", REG_DWORD, &on, sizeof on);

    std::string shown;
    bool boxes_clear = false;
    std::thread user([&] {
        HWND keep = wait_dialog("Remove Vantrel");
        if (!keep)
            return;
        boxes_clear = !IsDlgButtonChecked(keep, 110) && !IsDlgButtonChecked(keep, 112);
        press(keep, 111);
        wait_for_lines(commands, 1);
        press(keep, 113);
        shown = wait_for_lines(commands, 2);
        // Ticked, then the dialog closed: the boxes are not read.
        SendMessageA(GetDlgItem(keep, 110), BM_CLICK, 0, 0);
        PostMessageA(keep, WM_CLOSE, 0, 0);
    });
    {
        UninstallRun run(install.path());
        EXPECT_EQ(-2, run.info.VerifyUninstallPre(&run.info, 0));
        EXPECT_EQ(nullptr, language_module) << "let go before the stage ends";
    }
    user.join();
    EXPECT_TRUE(boxes_clear);
    std::string pages = "\"" + browser + "\" file://" + install.path() + "\\help\\";
    EXPECT_NE(std::string::npos, shown.find(pages + "showver.htm\r\n")) << shown;
    EXPECT_NE(std::string::npos, shown.find(pages + "prefetch.htm\r\n")) << shown;
    DWORD aggressive = 0, prefetch = 0, size = sizeof aggressive;
    RegGetValueA(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY, "_aggr", RRF_RT_DWORD, nullptr, &aggressive, &size);
    RegGetValueA(HKEY_LOCAL_MACHINE, VANTREL_PRODUCT_KEY, "prefetch", RRF_RT_DWORD, nullptr, &prefetch, &size);
    EXPECT_EQ(1u, aggressive);
    EXPECT_EQ(1u, prefetch);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, VANTREL_COMPANY_KEY);
}

TEST(FileFailed, OnlyTheDdeProcessFileIsForgiven) {
    SetupInfo info;
    ASSERT_EQ(0, kSUMEntryPoint(&info, 0));
    TempDir dir("failed");
    std::string long_path = "C:\\" + std::string(3000, 'd') + "\\ddeproc.exe";
    struct {
        int line;
        std::string source, destination;
        int result;
        std::string message;
    } cases[] = {
        {__LINE__, dir / "ddeproc.exe", dir / "copy\\ddeproc.exe", 0, ""},
        {__LINE__, "X:\\setup\\my ddeproc.dll", dir / "x", 0, ""},
        {__LINE__, dir / "DDEPROC.EXE", dir / "y", -1, "Src = [" + dir / "DDEPROC.EXE" + "] : Dest = [" + dir / "y" + "]"},
        {__LINE__, dir / "hub.exe", dir / "z", -1, "Src = [" + dir / "hub.exe" + "] : Dest = [" + dir / "z" + "]"},
        // Paths far beyond the message's 4096 bytes are cut, not overrun.
        {__LINE__, "C:\\" + std::string(3000, 's'), long_path, -1,
         ("Src = [C:\\" + std::string(3000, 's') + "] : Dest = [" + long_path).substr(0, 4095)},
    };
    for (auto& c : cases) {
        // The message box's text is its static control 0xFFFF.
        DialogWatch box("CopyFile Failed!", IDOK, 0xFFFF);
        EXPECT_EQ(c.result, info.FileFailed(&info, &c.source[0], &c.destination[0], 0)) << "line " << c.line;
        EXPECT_EQ(c.result ? 1 : 0, box.seen()) << "line " << c.line;
        EXPECT_EQ(c.message, box.text()) << "line " << c.line;
    }
}

// The first attempt fails at a destination held open (as the running DDE
// process holds its file); the retry places the entry in its own form.
TEST(FileFailed, TheDdeProcessFileIsPlacedOnceMoreAsTheMediaHoldIt) {
    TempDir dir("ddeproc");
    MaskRandom random(5);
    Bytes program = random.bytes(5000), pad = random.bytes(5000);
    std::vector<ArchiveMember> members = {{"ddeproc.exe", program, "", program.size()},
                                          {"ddeproc.pad", pad, "", pad.size()}};
    ASSERT_TRUE(write_file(dir / "files.dat", archive_bytes(members, 256, random)));
    for (const char* form : {"packed", "masked", "both"})
        ASSERT_TRUE(CreateDirectoryA((dir / form).c_str(), nullptr));
    ASSERT_TRUE(write_file(dir / "packed\\ddeproc.exe", chunk_bytes(program, 2000)));
    ASSERT_TRUE(write_file(dir / "masked\\ddeproc.exe", mask_bytes(program, pad)));
    ASSERT_TRUE(write_file(dir / "both\\ddeproc.exe", mask_bytes(chunk_bytes(program, 2000), pad)));
    std::string pad_member = dir / "files.dat\\ddeproc.pad";
    struct {
        int line;
        std::string source;
        bool masked;
        int compressed;
    } cases[] = {
        {__LINE__, dir / "files.dat\\ddeproc.exe", false, 0},
        {__LINE__, dir / "packed\\ddeproc.exe", false, 1},
        {__LINE__, dir / "masked\\ddeproc.exe", true, 0},
        {__LINE__, dir / "both\\ddeproc.exe", true, 1},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        SetupInfo info;
        ASSERT_EQ(0, kSUMEntryPoint(&info, 0));
        std::string folder = dir / ("to" + std::to_string(c.line)), destination = folder + "\\ddeproc.exe";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        ASSERT_EQ(1, c.masked ? info.AddXorFile(&c.source[0], &pad_member[0], &destination[0], c.compressed)
                              : info.AddFile(&c.source[0], &destination[0], c.compressed));
        FileEntry* entry = info.files.items[0];
        HANDLE held = CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        EXPECT_EQ(0, place_file(&info, entry));
        CloseHandle(held);
        DialogWatch box("CopyFile Failed!", IDOK);
        EXPECT_EQ(0, info.FileFailed(&info, entry->source, entry->destination, 0));
        EXPECT_EQ(0, box.seen());
        Bytes placed;
        EXPECT_TRUE(read_file(destination, placed));
        EXPECT_TRUE(program == placed) << placed.size() << " bytes";
        EXPECT_FALSE(file_exists(destination + ".t"));
        EXPECT_FALSE(file_exists(destination + ".t.x"));
    }
}

const char kStillRunning[] = "Vantrel is still running";
const char kProxyMutex[] = "Halvern Dynamics/Proxy/mutex";

// Another thread owns a mutex until let go: for the waits, a program that
// runs until then.
class HeldMutex {
public:
    explicit HeldMutex(const char* name) : release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([=] {
            HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
            SetEvent(taken);
            WaitForSingleObject(release_, INFINITE);
            ReleaseMutex(mutex);
            CloseHandle(mutex);
        });
        WaitForSingleObject(taken, INFINITE);
        CloseHandle(taken);
    }
    ~HeldMutex() {
        release();
        thread_.join();
        CloseHandle(release_);
    }
    void release() { SetEvent(release_); }

private:
    HANDLE release_;
    std::thread thread_;
};

TEST(Waits, TheUserIsToldWhichProgramRunsAndChoosesToWaitOnOrStop) {
    const char kMutex[] = "vscript_tests/waited program";
    struct {
        int line;
        std::vector<int> answers;  // to the questions, in turn
        bool ends;                 // the program ends after the answers
        int result;
    } cases[] = {
        {__LINE__, {}, true, 1},
        {__LINE__, {IDCANCEL}, false, 0},
        {__LINE__, {IDRETRY, IDCANCEL}, false, 0},
        {__LINE__, {IDRETRY}, true, 1},
    };
    for (const auto& c : cases) {
        HeldMutex program(kMutex);
        std::vector<std::string> texts;
        std::thread user([&] {
            for (int answer : c.answers) {
                HWND box = wait_dialog(kStillRunning);
                if (!box)
                    break;
                texts.push_back(control_text(box, 0xFFFF));
                press(box, answer);
                wait_dialog_gone(kStillRunning);
            }
            if (c.ends)
                program.release();
        });
        // Asked after one second rather than thirty, so that the cases stay short.
        int result = wait_for_program_end(kMutex, "The waited program (waited.exe)", 1000);
        EXPECT_EQ(c.result, result) << "line " << c.line;
        program.release();
        user.join();
        EXPECT_EQ(c.answers.size(), texts.size()) << "line " << c.line;
        for (const std::string& text : texts)
            EXPECT_NE(std::string::npos, text.find("The waited program (waited.exe) is still running.")) << text;
    }
}

DWORD value_size(const char* subkey, const char* name) {
    DWORD size = 0;
    LONG found = RegGetValueA(HKEY_LOCAL_MACHINE, subkey, name, RRF_RT_ANY, nullptr, nullptr, &size);
    return found == ERROR_SUCCESS ? size : 0;
}

// The one case that waits the full thirty seconds: a stray proxy that does
// not end, and a user who stops there. Nothing of the product is removed.
TEST(Waits, StoppingAtAProxyThatDoesNotEndKeepsTheProductAsItWas) {
    TempDir install("install"), cache("cache");
    make_cache(cache.path(), true);
    set_cache_dir(cache.path());
    std::string programs = special_folder(CSIDL_COMMON_PROGRAMS) + "\\Vantrel";
    CreateDirectoryA(programs.c_str(), nullptr);
    ASSERT_TRUE(write_file(programs + "\\Vantrel.lnk", "link"));
    const char* kStartup[] = {"Vantrel", "ddeproc"};
    for (const char* name : kStartup)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, STARTUP_KEY, name, REG_SZ, "x", 2);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, RUNONCE_KEY, "fn_Vantrel", REG_SZ, "x", 2);
    HANDLE relay = start_process(bin_folder() + "\\relay.exe");
    ASSERT_TRUE(relay);
    for (int i = 0; i < 100 && !OpenMutexA(SYNCHRONIZE, FALSE, kProxyMutex); i++)
        Sleep(100);

    bool asked = false;
    std::thread user([&] {
        HWND box = wait_dialog(kStillRunning, 120000);
        asked = box != nullptr;
        if (box)
            press(box, IDCANCEL);
        else
            TerminateProcess(relay, 0);  // never asked: the wait would not end otherwise
    });
    {
        UninstallRun run(install.path());
        DialogWatch question("Cache", 2);
        EXPECT_EQ(-2, run.info.VerifyUninstallPost(&run.info, 0));
        EXPECT_EQ(0, question.seen());
    }
    user.join();
    EXPECT_TRUE(asked);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(relay, 0)) << "the proxy is left running";
    EXPECT_TRUE(file_exists(programs + "\\Vantrel.lnk"));
    for (const char* name : kStartup)
        EXPECT_NE(0u, value_size(STARTUP_KEY, name)) << name;
    EXPECT_NE(0u, value_size(RUNONCE_KEY, "fn_Vantrel"));
    EXPECT_TRUE(file_exists(cache / "err1.html"));
    EXPECT_EQ(0u, value_size(VANTREL_COMPANY_KEY, "_ktdp"));

    TerminateProcess(relay, 0);
    CloseHandle(relay);
    DeleteFileA((programs + "\\Vantrel.lnk").c_str());
    RemoveDirectoryA(programs.c_str());
    for (const char* name : kStartup)
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, STARTUP_KEY, name);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, RUNONCE_KEY, "fn_Vantrel");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, VANTREL_COMPANY_KEY);
}

// The DDE process that ignores the request to end, started closed to
// OpenProcess: the first stop cannot terminate it; once it is open, the
// second stop terminates it by the id that the first read (the word then
// holds only the request to end).
TEST(ShutDown, ASecondStopOfTheDdeProcessUsesTheIdTheFirstRead) {
    SECURITY_DESCRIPTOR closed;
    ACL empty;
    InitializeSecurityDescriptor(&closed, SECURITY_DESCRIPTOR_REVISION);
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetSecurityDescriptorDacl(&closed, TRUE, &empty, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &closed, FALSE};
    std::string line = bin_folder() + "\\ddeproc.exe /ignore-stop";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION dde;
    ASSERT_TRUE(
        CreateProcessA(nullptr, &line[0], &attributes, nullptr, FALSE, 0, nullptr, nullptr, &startup, &dde));
    CloseHandle(dde.hThread);
    for (int i = 0; i < 100 && !dde_process_running(); i++)
        Sleep(100);
    ASSERT_TRUE(dde_process_running());
    HANDLE opened = OpenProcess(PROCESS_ALL_ACCESS, FALSE, dde.dwProcessId);
    if (opened) {
        CloseHandle(opened);
        TerminateProcess(dde.hProcess, 1);
        CloseHandle(dde.hProcess);
        GTEST_SKIP() << "this system opens a process whatever its access list says";
    }

    EXPECT_EQ(0, stop_dde_process());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(dde.hProcess, 0));
    SetSecurityInfo(dde.hProcess, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(1, stop_dde_process());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dde.hProcess, 5000));
    DWORD code = 1;
    GetExitCodeProcess(dde.hProcess, &code);
    EXPECT_EQ(0u, code);
    TerminateProcess(dde.hProcess, 1);
    CloseHandle(dde.hProcess);
}

}  // namespace
