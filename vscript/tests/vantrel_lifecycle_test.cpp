// The product's whole life under Wine: installed through every dialog,
// running with its proxy and DDE process, kept with its features switched
// off, replaced while it runs, and removed, with the machine compared before
// and after. Under Windows NT and the Windows 95 family (with user profiles).
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include <algorithm>
#include <fstream>
#include <memory>
#include <set>
#include "machine_win.h"
#include "names.h"
#include "renames_win.h"
#include "snapshot_win.h"
#include "vantrel_fixture.h"

using namespace testkit;
using namespace vantrel;

namespace {

bool wait_for_mutex(const char* name, bool present, DWORD timeout_ms = 15000) {
    DWORD start = GetTickCount();
    while (mutex_exists(name) != present) {
        if (GetTickCount() - start > timeout_ms)
            return false;
        Sleep(100);
    }
    return true;
}

// The first running process of that program name, opened to wait for it.
HANDLE find_process(const char* program) {
    HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    HANDLE found = nullptr;
    for (BOOL more = Process32First(list, &entry); more && !found; more = Process32Next(list, &entry))
        if (_stricmp(entry.szExeFile, program) == 0)
            found = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
    CloseHandle(list);
    return found;
}

size_t count_of(const std::string& text, const std::string& line) {
    size_t count = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        count++;
    return count;
}

std::string windows_file(const char* name) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\" + name;
}

// Requests to delete the second stage's setup.exe at the next start, in
// the list the running system keeps.
size_t stage_two_deletions(RenameList list) {
    size_t count = 0;
    for (const PendingRename& rename : read_renames(list))
        count += rename.deletes() && same_text(spelled_path(rename.from), windows_file("Temp\\setup.exe"));
    return count;
}

// Leaves the machine without what earlier installs left by design, so that
// a comparison shows this install's.
void forget_earlier_leftovers() {
    for (const char* name : {"hdlutil.exe", "hdlutil.dll", "Temp\\setup.exe"})
        DeleteFileA(windows_file(name).c_str());
    for (RenameList list : {kNtRenames, kWininitRenames}) {
        std::vector<PendingRename> kept;
        for (const PendingRename& rename : read_renames(list))
            if (!same_text(spelled_path(rename.from), windows_file("Temp\\setup.exe")))
                kept.push_back(rename);
        write_renames(list, kept);
    }
}

std::set<std::string> lines_of(const std::string& file) {
    std::set<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        lines.insert(line);
    return lines;
}

// Lines of one snapshot that the other lacks, both ways.
std::vector<std::string> changed_lines(const std::string& before, const std::string& after) {
    std::set<std::string> a = lines_of(before), b = lines_of(after);
    std::vector<std::string> changed;
    std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(changed));
    return changed;
}

// A product cache with its marker, error pages and nested folders.
void make_cache(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"cache_data", "err1.html", "err2.html", "err3.html", "err4.html"})
        write_file(folder + "\\" + name, name);
    CreateDirectoryA((folder + "\\0a").c_str(), nullptr);
    CreateDirectoryA((folder + "\\0a\\1b").c_str(), nullptr);
    write_file(folder + "\\0a\\1b\\object", "cached");
}

// Wine's version emulation with, on the Windows 95 family, three user
// profiles and the TCP/IP key the tuning changes (put back afterwards).
class System {
public:
    System(const char* version, const std::string& root) : version_(version) {
        if (strcmp(version, "nt40") == 0)
            return;
        profiles_.reset(new Profiles(root));
        had_mstcp_ = key_exists(HKEY_LOCAL_MACHINE, kMstcp);
        HKEY mstcp;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMstcp, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &mstcp, nullptr) ==
            ERROR_SUCCESS)
            RegCloseKey(mstcp);
    }
    ~System() {
        if (profiles_ && !had_mstcp_)
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMstcp);
    }
    bool win95() const { return profiles_ != nullptr; }

private:
    WindowsVersion version_;
    std::unique_ptr<Profiles> profiles_;
    bool had_mstcp_ = false;
};

class Lifecycle : public Vantrel {
protected:
    // Through every dialog: LAN with the tuning box ticked on the Windows
    // 95 family, a modem on NT.
    ProcessResult install(bool win95) {
        bool tuning_enabled;
        return run("\"" + media() + "\\setup.exe\"", [&] { walk_through(win95, &tuning_enabled, win95); });
    }
    std::string snapshot(const char* name) {
        std::string file = dir / name;
        EXPECT_EQ(1, write_snapshot(destination, file));
        return file;
    }
};

TEST_F(Lifecycle, TheRunningProductIsStoppedAndOnlyWhatIsLeftByDesignStays) {
    for (const char* version : {"nt40", "win95"}) {
        SCOPED_TRACE(version);
        System system(version, dir / (std::string("profiles-") + version));
        forget_earlier_leftovers();
        std::string before = snapshot("before.txt");

        ProcessResult installed = install(system.win95());
        ASSERT_EQ(0ul, installed.exit_code) << installed.output;
        EXPECT_EQ(1u, count_of(installed.output, "hostinfo: save_original()"));
        EXPECT_EQ(system.win95() ? 1u : 0u, count_of(installed.output, "hostinfo: set_lan_mtu(0)"));
        EXPECT_EQ(0u, count_of(installed.output, "hostinfo: set_modem_mtu("));
        for (const char* name : {"hdlutil.exe", "hdlutil.dll"}) {
            std::string copied, original;
            EXPECT_TRUE(read_file(windows_file(name), &copied) && read_file(media() + "\\" + name, &original) &&
                        copied == original)
                << name;
        }
        EXPECT_EQ(windows_file("hdlutil.exe") + " \"build160\" \"Vantrel\" 4",
                  value_of(HKEY_LOCAL_MACHINE, kRunOnce, "fn_Vantrel").data.c_str());

        // The product runs: its main application with the proxy, and a DDE
        // process that ignores the request to stop.
        EXPECT_TRUE(wait_for_mutex(VANTREL_APP_MUTEX, true));
        EXPECT_TRUE(wait_for_mutex(VANTREL_PROXY_MUTEX, true));
        HANDLE dde = start_process("\"" + destination + "\\ddeproc.exe\" /ignore-stop");
        ASSERT_NE(nullptr, dde);
        EXPECT_TRUE(wait_for_mutex(VANTREL_DDE_MUTEX, true));
        std::string cache = dir / "cache";
        make_cache(cache);
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProduct, "cacheDir", REG_SZ, cache.c_str(), (DWORD)cache.size() + 1);

        Value command = value_of(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString");
        bool aggressive_box = true, prefetch_box = false;
        ProcessResult removed = run(command.data.c_str(), [&] {
            HWND keep = wait_dialog("Remove Vantrel");
            ASSERT_NE(nullptr, keep);
            // Ticked where the feature is off: aggressive mode on, prefetching off.
            aggressive_box = IsDlgButtonChecked(keep, 110) == BST_CHECKED;
            prefetch_box = IsDlgButtonChecked(keep, 112) == BST_CHECKED;
            press(keep, 1);
            EXPECT_TRUE(answer("Verify Uninstall", 1));
            EXPECT_TRUE(answer("Cache", 2));
        });
        EXPECT_EQ(0ul, removed.exit_code) << removed.output;
        EXPECT_FALSE(aggressive_box);
        EXPECT_TRUE(prefetch_box);
        wait_for_stage_two();

        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dde, 10000)) << "the DDE process was terminated";
        CloseHandle(dde);
        for (const char* name : {VANTREL_APP_MUTEX, VANTREL_PROXY_MUTEX, VANTREL_DDE_MUTEX})
            EXPECT_FALSE(mutex_exists(name)) << name;
        EXPECT_FALSE(folder_exists(cache));
        // The network settings are put back on the Windows 95 family only,
        // after the browsers' proxies and the modems' logging.
        size_t proxies = removed.output.find("hostinfo: uninstall_browser_proxies()");
        size_t modems = removed.output.find("hostinfo: disable_modem_logging()");
        size_t restore = removed.output.find("hostinfo: restore_original()");
        EXPECT_LT(proxies, modems);
        if (system.win95())
            EXPECT_TRUE(restore != std::string::npos && modems < restore) << removed.output;
        else
            EXPECT_EQ(std::string::npos, restore);
        EXPECT_EQ(1u, stage_two_deletions(system.win95() ? kWininitRenames : kNtRenames));

        EXPECT_EQ(1, print_left(before, snapshot("after.txt")));
    }
}

TEST_F(Lifecycle, KeepingTheProductSwitchesOffWhatTheBoxesSayAndNothingElse) {
    struct {
        int line;
        bool running;
        std::vector<int> ticks;
        DWORD aggressive, prefetch;  // afterwards
    } cases[] = {
        {__LINE__, true, {110, 112}, 0, 0},
        {__LINE__, false, {112}, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("line " + std::to_string(c.line));
        System system("nt40", dir.path());
        forget_earlier_leftovers();
        std::string before_install = snapshot("before-install.txt");
        ASSERT_EQ(0ul, install(false).exit_code);
        ASSERT_TRUE(wait_for_mutex(VANTREL_APP_MUTEX, true));
        HANDLE first_hub = find_process("hub.exe");
        if (!c.running) {
            set_event(VANTREL_APP_EVENT);
            ASSERT_TRUE(wait_for_mutex(VANTREL_APP_MUTEX, false));
        }
        set_number(kProduct, "prefetch", 1);
        std::string before_keep = snapshot("before-keep.txt");

        Value command = value_of(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString");
        ProcessResult kept = run(command.data.c_str(), [&] {
            HWND keep = wait_dialog("Remove Vantrel");
            ASSERT_NE(nullptr, keep);
            for (int id : c.ticks)
                SendMessageA(GetDlgItem(keep, id), BM_CLICK, 0, 0);
            press(keep, 2);
        });
        EXPECT_EQ(0xFFFFFFFEul, kept.exit_code) << kept.output;
        EXPECT_EQ(nullptr, FindWindowA("#32770", "Verify Uninstall"));
        EXPECT_TRUE(number(c.aggressive) == value_of(HKEY_LOCAL_MACHINE, kSettings, "_aggr"));
        EXPECT_TRUE(number(c.prefetch) == value_of(HKEY_LOCAL_MACHINE, kProduct, "prefetch"));
        // Started again only when it ran: a new main application.
        EXPECT_EQ(c.running, wait_for_mutex(VANTREL_APP_MUTEX, true, c.running ? 15000 : 2000));
        if (first_hub) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_hub, 0)) << "the first main application ended";
            CloseHandle(first_hub);
        }
        for (const std::string& line : changed_lines(before_keep, snapshot("after-keep.txt")))
            EXPECT_TRUE(line.find(" : _aggr = ") != std::string::npos || line.find(" : prefetch = ") != std::string::npos)
                << line;

        // Then removed for good: the language library kept nothing behind.
        set_event(VANTREL_APP_EVENT);
        uninstall(c.aggressive + c.prefetch > 0);
        EXPECT_EQ(1, print_left(before_install, snapshot("after-uninstall.txt")));
    }
}

TEST_F(Lifecycle, AReplaceStopsTheRunningProductAndStartsTheNewOne) {
    WindowsVersion nt("nt40");
    ASSERT_EQ(0ul, install(false).exit_code);
    ASSERT_TRUE(wait_for_mutex(VANTREL_APP_MUTEX, true));
    HANDLE old_hub = find_process("hub.exe");
    ASSERT_NE(nullptr, old_hub);
    set_number(kProduct, "port", 8080);

    // The next build of the media: one help page differs.
    std::string next = bin_folder() + "\\..\\media\\vantrel-next";
    ProcessResult replaced = run("\"" + next + "\\setup.exe\"", [&] {
        EXPECT_TRUE(answer("Previous Version", 1));
        EXPECT_TRUE(answer("Verify Uninstall", 1));  // no keep-product offer during a replace
        HWND path = wait_dialog("Install Path", 60000);
        ASSERT_NE(nullptr, path);
        press(path, 1);
        EXPECT_TRUE(answer("Connection", 1));
    });
    ASSERT_EQ(0ul, replaced.exit_code) << replaced.output;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(old_hub, 0)) << "the old version's uninstall stopped it";
    CloseHandle(old_hub);
    std::string page;
    EXPECT_TRUE(read_file(destination + "\\help\\index.html", &page));
    EXPECT_NE(std::string::npos, page.find("<p>Build 161</p>")) << "the new build's files";
    EXPECT_TRUE(number(8080) == value_of(HKEY_LOCAL_MACHINE, kProduct, "port"));
    EXPECT_TRUE(wait_for_mutex(VANTREL_APP_MUTEX, true)) << "the new version runs";

    set_event(VANTREL_APP_EVENT);
    uninstall();
}

// The uninstall archive without its member name: records are a 4-byte
// name size, the name field, a 4-byte data size and the data.
std::string archive_without(const std::string& archive, const std::string& name) {
    std::string kept;
    size_t at = 0;
    auto le32 = [&](size_t where) {
        unsigned long v = 0;
        for (int i = 3; i >= 0; i--)
            v = (v << 8) | (unsigned char)archive[where + i];
        return (size_t)v;
    };
    while (at + 4 <= archive.size()) {
        size_t name_size = le32(at);
        size_t data_size = le32(at + 4 + name_size);
        size_t record = 8 + name_size + data_size;
        if (_stricmp(archive.c_str() + at + 4, name.c_str()) != 0)
            kept += archive.substr(at, record);
        at += record;
    }
    return kept;
}

TEST_F(Lifecycle, AnUninstallMissingAPieceEndsClearlyAndRemovesNothingElse) {
    WindowsVersion nt("nt40");
    ASSERT_EQ(0ul, install(false).exit_code);
    set_event(VANTREL_APP_EVENT);
    ASSERT_TRUE(wait_for_mutex(VANTREL_APP_MUTEX, false));
    std::string archive_path = destination + "\\uninst.dat", archive;
    ASSERT_TRUE(read_file(archive_path, &archive));
    std::string command = value_of(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString").data.c_str();

    // Without the language library or the host library: -1 before any
    // dialog, and the product is still there.
    for (const char* missing : {"langres.dll", "hostinfo.dll"}) {
        std::string without = archive_without(archive, missing);
        ASSERT_LT(without.size(), archive.size()) << missing;
        ASSERT_TRUE(write_file(archive_path, without));
        ProcessResult r = run_process(command, nullptr, 60000);
        EXPECT_EQ(0xFFFFFFFFul, r.exit_code) << missing << r.output;
        EXPECT_TRUE(file_exists(destination + "\\hub.exe")) << missing;
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kWindowsEntry)) << missing;
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kSettings)) << missing;
        EXPECT_EQ((DWORD)REG_SZ, value_of(HKEY_LOCAL_MACHINE, kRun, "Vantrel").type) << missing;
    }

    // Without its record the uninstall asks and cleans up what the script
    // owns, but the second stage removes nothing it was not told of.
    ASSERT_TRUE(write_file(archive_path, archive));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kProduct) + "\\Uninstall").c_str());
    ProcessResult stage1 = run(command, [] {
        EXPECT_TRUE(answer("Remove Vantrel", 1));
        EXPECT_TRUE(answer("Verify Uninstall", 1));
    });
    EXPECT_EQ(0ul, stage1.exit_code) << stage1.output;
    // The second stage, started without waiting, ends by itself.
    for (HANDLE stage2; (stage2 = find_process("setup.exe")) != nullptr; CloseHandle(stage2))
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(stage2, 60000));
    EXPECT_TRUE(file_exists(destination + "\\hub.exe"));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kSettings));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kWindowsEntry));
}

}  // namespace
