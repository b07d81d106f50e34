// Removes the product and its traces from the machine, whatever state an
// earlier run left them in.
#include "clean_win.h"
#include <windows.h>
#include <stdio.h>
#include <vector>
#include "machine_win.h"
#include "product_win.h"
#include "renames_win.h"
#include "testkit.h"

namespace {

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int remove_folder(const std::string& folder) {
    if (!exists(folder))
        return 1;
    testkit::remove_tree(folder);
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

// Takes the requests for file out of list.
int unschedule(RenameList list, const std::string& file) {
    std::vector<PendingRename> all = read_renames(list), kept;
    for (const PendingRename& r : all)
        if (!same_text(spelled_path(r.from), file))
            kept.push_back(r);
    if (kept.size() == all.size())
        return 1;
    printf("   removed what waited for the next start for %s (%s)\n", file.c_str(),
           list == kNtRenames ? "PendingFileRenameOperations" : "wininit.ini");
    return write_renames(list, kept);
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
    ok &= unschedule(kNtRenames, stage_two);
    ok &= unschedule(kWininitRenames, stage_two);
    ok &= remove_file(stage_two);
    ok &= remove_file(windows_temp_folder() + "\\uninst.dat");
    return ok;
}
