// The Windows folder, the Programs folders of every user, registry texts.
#include "machine_win.h"
#include <shlobj.h>
#include <string.h>

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kDefaultShellFolders[] = ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kStartMenu[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Start Menu";
const char kProfileList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";

void add_once(std::vector<std::string>* folders, const std::string& folder) {
    if (folder.empty())
        return;
    for (const std::string& f : *folders)
        if (same_text(f, folder))
            return;
    folders->push_back(folder);
}

void add_profiles(std::vector<std::string>* folders) {
    std::string start_menu = "Start Menu";
    read_text(HKEY_CURRENT_USER, kStartMenu, "LocalFile", &start_menu);
    HKEY list;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ, &list) != ERROR_SUCCESS)
        return;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(list, i, name, sizeof name) == ERROR_SUCCESS; i++) {
        std::string profile;
        if (read_text(list, name, "ProfileImagePath", &profile))
            add_once(folders, profile + "\\" + start_menu + "\\Programs");
    }
    RegCloseKey(list);
}

}  // namespace

std::string windows_folder() {
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, sizeof folder);
    return folder;
}

std::string windows_temp_folder() {
    return windows_folder() + "\\Temp";
}

int read_text(HKEY root, const char* key, const char* name, std::string* out) {
    char text[1024];
    DWORD size = sizeof text;
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return 0;
    *out = text;
    return 1;
}

std::vector<std::string> programs_folders() {
    std::vector<std::string> folders;
    std::string folder;
    if (read_text(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs", &folder))
        add_once(&folders, folder);
    char mine[MAX_PATH] = "";
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, mine)))
        add_once(&folders, mine);
    if (read_text(HKEY_USERS, kDefaultShellFolders, "Programs", &folder))
        add_once(&folders, folder);
    add_profiles(&folders);
    return folders;
}

bool same_text(const std::string& a, const std::string& b) {
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

bool starts_with_text(const std::string& text, const std::string& start) {
    return text.size() >= start.size() && _strnicmp(text.c_str(), start.c_str(), start.size()) == 0;
}
