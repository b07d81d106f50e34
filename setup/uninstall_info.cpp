// UninstallInfo: the lists of what an install wrote.
#include <new>
#include "setupinfo.h"

UninstallInfo::UninstallInfo() {}

UninstallInfo::~UninstallInfo() {
    uninstall_keys.destroy_all();
    uninstall_files.destroy_all();
    uninstall_dirs.destroy_all();
}

int UninstallInfo::AddFile(char* path) {
    if (!path)
        return 0;
    return append_copy(uninstall_files, path);
}

int UninstallInfo::AddDir(char* path) {
    return append_copy(uninstall_dirs, path);
}

static const char* root_name(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (root == HKEY_CLASSES_ROOT)
        return "HKCR";
    if (root == HKEY_CURRENT_USER)
        return "HKCU";
    if (root == HKEY_USERS)
        return "HKUS";
    return nullptr;
}

int UninstallInfo::AddKey(HKEY root, char* subkey, char* value_name) {
    const char* name = root_name(root);
    if (!root || !subkey || !name)
        return 0;
    kString record;
    if (value_name)
        record.sprintf((char*)"%s\\%s,%s", name, subkey, value_name);
    else
        record.sprintf((char*)"%s\\%s", name, subkey);
    if (!record.text)
        return 0;
    return append_copy(uninstall_keys, record.text);
}
