// What the Vantrel end-to-end tests share: the product's keys, registry
// reading, Wine's version emulation, user profiles of a Windows 95 machine,
// and the fixture that installs from the Vantrel media and uninstalls again.
#pragma once
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <functional>
#include <string>
#include <vector>
#include "testkit.h"

namespace vantrel {

using namespace testkit;

const char kCompany[] = "Software\\Halvern Dynamics Limited";
const char kProduct[] = "Software\\Halvern Dynamics Limited\\Vantrel";
const char kSettings[] = "Software\\Halvern Dynamics Limited\\Vantrel\\Settings";
const char kComponent[] = "Software\\Halvern Dynamics Limited\\Collector\\Alpha000";
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kWindowsEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kInternet[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

inline std::string media() {
    return bin_folder() + "\\..\\media\\vantrel";
}

inline std::string source_file(const std::string& name) {
    std::string path = "Z:" KSOURCE_DIR "/examples/vantrel/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

struct Value {
    DWORD type = 0;
    std::string data;
    bool operator==(const Value& other) const { return type == other.type && data == other.data; }
};

inline Value value_of(HKEY root, const char* key, const char* name) {
    Value value;
    char data[2048];
    DWORD size = sizeof data;
    if (RegGetValueA(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, data, &size) == ERROR_SUCCESS)
        value.data.assign(data, size);
    return value;
}

inline Value number(DWORD n) {
    Value v;
    v.type = REG_DWORD;
    v.data.assign((const char*)&n, 4);
    return v;
}

inline Value text(const std::string& s) {
    Value v;
    v.type = REG_SZ;
    v.data = s + '\0';
    return v;
}

inline std::string shown(const Value& v) {
    if (v.type == REG_DWORD && v.data.size() == 4)
        return "number " + std::to_string(*(const DWORD*)v.data.data());
    if (v.type == REG_SZ)
        return "text \"" + std::string(v.data.c_str()) + "\"";
    return "type " + std::to_string(v.type) + " of " + std::to_string(v.data.size()) + " bytes";
}

inline std::string common_programs() {
    Value v = value_of(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs");
    return v.data.c_str();
}

struct Link {
    std::string target, arguments;
    int icon = -1;
};

inline bool read_link(const std::string& file, Link* out) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link)))
        return false;
    IPersistFile* persist = nullptr;
    bool ok = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&persist))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
        if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
            char path[MAX_PATH] = "", arguments[1024] = "", icon[MAX_PATH] = "";
            link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
            link->GetArguments(arguments, sizeof arguments);
            link->GetIconLocation(icon, MAX_PATH, &out->icon);
            out->target = path;
            out->arguments = arguments;
            ok = true;
        }
        persist->Release();
    }
    link->Release();
    return ok;
}

// Wine-only: the Windows version Wine reports to setup.exe and its helpers.
class WindowsVersion {
public:
    explicit WindowsVersion(const char* version) {
        for (const char* program : {"setup.exe", "hdlutil.exe"}) {
            std::string key = std::string("Software\\Wine\\AppDefaults\\") + program;
            RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "Version", REG_SZ, version, (DWORD)strlen(version) + 1);
        }
    }
    ~WindowsVersion() {
        for (const char* program : {"setup.exe", "hdlutil.exe"})
            RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\Wine\\AppDefaults\\") + program).c_str());
    }
};

inline void set_number(const char* key, const char* name, DWORD n) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &n, sizeof n);
}

inline void set_event(const char* name) {
    HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, name);
    if (event) {
        SetEvent(event);
        CloseHandle(event);
    }
}

inline void remove_product_traces() {
    // A product started by an earlier install is asked to close first.
    set_event("VantrelEvent");
    Sleep(300);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCompany);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kWindowsEntry);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\vuninst");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRun, "Vantrel");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRun, "ddeproc");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRunOnce, "fn_Vantrel");
    remove_tree(common_programs() + "\\Vantrel");
}

class Vantrel : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_TRUE(file_exists(media() + "\\vscript.dll")) << "Vantrel media without the script";
        remove_product_traces();
        destination = dir.path() + "\\Vantrel Product";
    }
    void TearDown() override {
        remove_product_traces();
        CoUninitialize();
    }
    ProcessResult run(const std::string& command_line, const std::function<void()>& drive) {
        return run_driven(command_line, 180000, drive);
    }
    // Welcome and License accepted: the Install Path dialog (null when it
    // never came), with the folder it proposes in *proposed when asked.
    static HWND to_install_path(std::string* proposed = nullptr) {
        EXPECT_TRUE(answer("Welcome", 1));
        EXPECT_TRUE(answer("License Agreement", 1));
        HWND path = wait_dialog("Install Path");
        if (path && proposed)
            *proposed = control_text(path, 100);
        return path;
    }
    // Welcome, License, Install Path, the connection dialog (LAN when lan,
    // the tuning box ticked when tune).
    void walk_through(bool lan, bool* tuning_enabled, bool tune = false) {
        HWND path = to_install_path();
        ASSERT_NE(nullptr, path);
        set_control_text(path, 100, destination);
        press(path, 1);
        HWND connection = wait_dialog("Connection");
        ASSERT_NE(nullptr, connection);
        *tuning_enabled = control_enabled(connection, 102);
        if (lan)
            press(connection, 101);
        if (tune)
            press(connection, 102);
        Sleep(200);
        press(connection, 1);
    }
    // Runs the recorded uninstall command: "go on" in the keep-product
    // dialog when it is expected (aggressive mode or prefetching on), then
    // OK to remove; waits until stage 2 has removed the product key.
    void uninstall(bool keep_dialog_expected = true) {
        Value command = value_of(HKEY_LOCAL_MACHINE, kWindowsEntry, "UninstallString");
        ASSERT_EQ((DWORD)REG_SZ, command.type);
        ProcessResult stage1 = run(command.data.c_str(), [&] {
            if (keep_dialog_expected) {
                EXPECT_TRUE(answer("Remove Vantrel", 1));
            }
            EXPECT_TRUE(answer("Verify Uninstall", 1));
        });
        EXPECT_EQ(0ul, stage1.exit_code) << stage1.output;
        wait_for_stage_two();
    }
    void wait_for_stage_two() {
        DWORD start = GetTickCount();
        while (key_exists(HKEY_LOCAL_MACHINE, kProduct) && GetTickCount() - start < 120000)
            Sleep(200);
        Sleep(3000);
    }

    TempDir dir{"vantrel"};
    std::string destination;
};

const char kDefaultShellFolders[] = ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kStartMenu[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Start Menu";
const char kProfileList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";
const char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";

// Three user profiles of a Windows 95 machine in the registry, and a fourth
// without its folder, which ends the walk; put back afterwards.
class Profiles {
public:
    explicit Profiles(const std::string& root) : root_(root) {
        Value programs = value_of(HKEY_USERS, kDefaultShellFolders, "Programs");
        old_programs_ = programs.data.c_str();
        default_programs_ = root + "\\Default\\Start Menu\\Programs";
        RegSetKeyValueA(HKEY_USERS, kDefaultShellFolders, "Programs", REG_SZ, default_programs_.c_str(),
                        (DWORD)default_programs_.size() + 1);
        RegSetKeyValueA(HKEY_CURRENT_USER, kStartMenu, "LocalFile", REG_SZ, "Start Menu", 11);
        for (const char* name : {"ann", "bob", "cid"}) {
            std::string key = std::string(kProfileList) + "\\" + name, folder = root + "\\" + name;
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "ProfileImagePath", REG_SZ, folder.c_str(),
                            (DWORD)folder.size() + 1);
            profiles_.push_back(folder + "\\Start Menu\\Programs");
        }
        // "dan" has no folder and ends the walk: "eve", after it, is never reached.
        HKEY last;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kProfileList) + "\\dan").c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &last, nullptr);
        RegCloseKey(last);
        // Each user has a Programs folder, as on a machine in use.
        for (const std::string& programs : folders())
            SHCreateDirectoryExA(nullptr, programs.c_str(), nullptr);
        unreached_ = root + "\\eve";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kProfileList) + "\\eve").c_str(), "ProfileImagePath", REG_SZ,
                        unreached_.c_str(), (DWORD)unreached_.size() + 1);
    }
    ~Profiles() {
        RegSetKeyValueA(HKEY_USERS, kDefaultShellFolders, "Programs", REG_SZ, old_programs_.c_str(),
                        (DWORD)old_programs_.size() + 1);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProfileList);
    }
    // The profile after the one without a folder.
    const std::string& unreached() const { return unreached_; }
    // The default user's Programs folder first, then the three profiles'.
    std::vector<std::string> folders() const {
        std::vector<std::string> all = {default_programs_};
        all.insert(all.end(), profiles_.begin(), profiles_.end());
        return all;
    }

private:
    std::string root_, old_programs_, default_programs_, unreached_;
    std::vector<std::string> profiles_;
};

}  // namespace vantrel
