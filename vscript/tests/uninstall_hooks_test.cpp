// The uninstall side of the script in-process: the cache question and what
// each answer removes, the folders a cache path may never take with it, and
// the reaction to a file that could not be installed.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <thread>
#include "script.h"
#include "testkit.h"

extern "C" int __stdcall kSUMEntryPoint(SetupInfo* info, unsigned long context);

using namespace testkit;

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

// While a hook runs, answers every dialog of the given caption that appears
// with button, keeping the text of its static control text_id.
class DialogWatch {
public:
    DialogWatch(const char* caption, int button, int text_id = 0) {
        thread_ = std::thread([=] {
            while (!done_) {
                HWND dialog = FindWindowA("#32770", caption);
                if (dialog && IsWindowVisible(dialog)) {
                    seen_++;
                    if (text_id)
                        text_ = control_text(dialog, text_id);
                    press(dialog, button);
                    wait_dialog_gone(caption, 5000);
                }
                Sleep(20);
            }
        });
    }
    ~DialogWatch() { finish(); }
    void finish() {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    int seen() { return finish(), seen_; }
    const std::string& text() { return finish(), text_; }

private:
    std::thread thread_;
    volatile bool done_ = false;
    int seen_ = 0;
    std::string text_;
};

TEST(Cache, ATreeIsDeletedOnlyWhereNothingOfTheSystemLies) {
    TempDir install("install");
    SetupInfo info;
    info.destination_folder.set(install.path().c_str());
    std::string install_parent = install.path().substr(0, install.path().rfind('\\'));
    TempDir cache("cache");
    struct {
        int line;
        std::string folder;
        int deletable;
    } cases[] = {
        {__LINE__, cache.path(), 1},
        {__LINE__, cache / "sub", 1},
        {__LINE__, windows_folder() + "\\Temp\\vantrel cache", 1},
        {__LINE__, "C:\\", 0},
        {__LINE__, "B:\\", 0},
        {__LINE__, "C:", 0},
        {__LINE__, "\\\\server\\share", 0},
        {__LINE__, "\\\\server\\share\\", 0},
        {__LINE__, "\\\\server\\share\\cache", 1},
        {__LINE__, "cache", 0},
        {__LINE__, "", 0},
        {__LINE__, windows_folder(), 0},
        {__LINE__, windows_folder() + "\\", 0},
        {__LINE__, special_folder(CSIDL_SYSTEM), 0},
        {__LINE__, special_folder(CSIDL_COMMON_PROGRAMS), 0},
        {__LINE__, special_folder(CSIDL_PROGRAMS), 0},
        {__LINE__, special_folder(CSIDL_STARTMENU), 0},
        // A profile folder holds the user's desktop and Programs folder.
        {__LINE__, special_folder(CSIDL_PROFILE), 0},
        {__LINE__, install.path(), 0},
        {__LINE__, install_parent, 0},
        {__LINE__, install.path() + "\\..", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.deletable, cache_tree_deletable(c.folder.c_str(), &info)) << "line " << c.line << ": " << c.folder;
}

// Runs in the vscript_japanese test, under code page 932: a share named
// "\x95\x5c" ("table"), whose trail byte is a backslash on its own, is a
// share root all the same.
TEST(Cache, DoubleByteShareRootsAreRefused) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    SetupInfo info;
    info.destination_folder.set((char*)"C:\\Program Files\\Vantrel");
    struct {
        int line;
        const char* folder;
        int deletable;
    } cases[] = {
        {__LINE__, "\\\\server\\\x95\x5c", 0},
        {__LINE__, "\\\\server\\\x95\x5c\\", 0},
        {__LINE__, "\\\\server\\\x95\x5c\\cache", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.deletable, cache_tree_deletable(c.folder, &info)) << "line " << c.line;
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
    TempDir install("install"), caches("caches");
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
        // Answer 2 for a folder that holds the install folder: pages only.
        {__LINE__, install.path(), true, 2, false},
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

}  // namespace
