// The uninstall side of the script in-process: the cache question and what
// each answer removes, the folders a cache path may never take with it, and
// the reaction to a file that could not be installed.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string.h>
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
