// Removes the product and its traces from the machine, whatever state an
// earlier run left them in.
#include "clean_win.h"
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <vector>
#include "machine_win.h"
#include "product_win.h"

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_tree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName, path = folder + "\\" + name;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

int remove_folder(const std::string& folder) {
    if (!exists(folder))
        return 1;
    remove_tree(folder);
    printf("   removed %s\n", folder.c_str());
    return !exists(folder);
}

int remove_file(const std::string& file) {
    if (!exists(file))
        return 1;
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(file.c_str());
    printf("   removed %s\n", file.c_str());
    return !exists(file);
}

int remove_key(const char* key) {
    HKEY open;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &open) != ERROR_SUCCESS)
        return 1;
    RegCloseKey(open);
    printf("   removed HKLM\\%s\n", key);
    return RegDeleteTreeA(HKEY_LOCAL_MACHINE, key) == ERROR_SUCCESS;
}

int remove_value(const char* key, const char* name) {
    LONG result = RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key, name);
    if (result == ERROR_SUCCESS)
        printf("   removed HKLM\\%s : %s\n", key, name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool names_file(std::string request, const std::string& file) {
    if (request.compare(0, 4, "\\??\\") == 0)
        request.erase(0, 4);
    char full[MAX_PATH];
    DWORD n = GetLongPathNameA(request.c_str(), full, sizeof full);
    return same_text(n && n < sizeof full ? std::string(full) : request, file);
}

// Drops the renames of file from NT's list of renames at the next start.
int unschedule_pending(const std::string& file) {
    static char data[65536];
    DWORD size = sizeof data - 2;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                     nullptr, data, &size) != ERROR_SUCCESS)
        return 1;
    data[size] = data[size + 1] = 0;
    std::string kept;
    bool dropped = false;
    for (const char* at = data; *at;) {
        std::string from = at;
        at += from.size() + 1;
        std::string to = at;
        at += to.size() + 1;
        if (names_file(from, file))
            dropped = true;
        else
            kept += from + '\0' + to + '\0';
        if (at >= data + size)
            break;
    }
    if (!dropped)
        return 1;
    printf("   removed the renaming of %s at the next start\n", file.c_str());
    if (kept.empty())
        return RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations") ==
               ERROR_SUCCESS;
    kept += '\0';
    return RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", REG_MULTI_SZ,
                           kept.data(), (DWORD)kept.size()) == ERROR_SUCCESS;
}

// The same for the Windows 95 family's "rename" section of wininit.ini; the
// file goes when nothing else is left in it.
int unschedule_wininit(const std::string& file) {
    static char section[32768];
    std::string ini = windows_folder() + "\\wininit.ini";
    if (!exists(ini))
        return 1;
    DWORD n = GetPrivateProfileSectionA("rename", section, sizeof section, ini.c_str());
    std::string kept;
    bool dropped = false;
    for (const char* line = section; line < section + n && *line; line += strlen(line) + 1) {
        const char* equals = strchr(line, '=');
        if (equals && names_file(equals + 1, file))
            dropped = true;
        else
            kept += std::string(line) + '\0';
    }
    if (!dropped)
        return 1;
    printf("   removed the deletion of %s from %s\n", file.c_str(), ini.c_str());
    kept += '\0';
    if (kept.size() > 1)
        return WritePrivateProfileSectionA("rename", kept.data(), ini.c_str()) != 0;
    WritePrivateProfileStringA("rename", nullptr, nullptr, ini.c_str());
    char names[16] = "";
    if (GetPrivateProfileSectionNamesA(names, sizeof names, ini.c_str()) == 0)
        return remove_file(ini);
    return 1;
}

}  // namespace

int remove_product(const std::string& install_folder) {
    int ok = stop_running(install_folder);
    ok &= remove_folder(install_folder);
    for (const std::string& folder : programs_folders())
        ok &= remove_folder(folder + "\\Vantrel");
    ok &= remove_key(DEMO_COMPANY_KEY);
    ok &= remove_key("SOFTWARE\\vuninst");
    ok &= remove_key(DEMO_UNINSTALL_LIST "\\Vantrel");
    ok &= remove_value(DEMO_RUN_KEY, "Vantrel");
    ok &= remove_value(DEMO_RUN_KEY, "ddeproc");
    ok &= remove_value(DEMO_RUNONCE_KEY, "fn_Vantrel");
    std::string windows = windows_folder(), stage_two = windows_temp_folder() + "\\setup.exe";
    ok &= remove_file(windows + "\\hdlutil.exe");
    ok &= remove_file(windows + "\\hdlutil.dll");
    ok &= unschedule_pending(stage_two);
    ok &= unschedule_wininit(stage_two);
    ok &= remove_file(stage_two);
    ok &= remove_file(windows_temp_folder() + "\\uninst.dat");
    return ok;
}
