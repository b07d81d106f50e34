// BeforeCopy: the connection dialog, the product's files from the install
// list, the shortcuts, the registry entries and the uninstall dependencies.
#include <initializer_list>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "install_list.h"
#include "hostinfo.h"
#include "kfile.h"
#include "kregkey.h"
#include "script.h"
#include "window.h"

namespace {

const int kConnectionDialog = 5015;
const long kLargestList = 16 * 1024 * 1024;

INT_PTR CALLBACK connection_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        Center(nullptr, dialog);
        CheckRadioButton(dialog, 100, 101, 100);
        if (is_this_win95() == 0)
            EnableWindow(GetDlgItem(dialog, 102), FALSE);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case 1:
            tune_network = IsDlgButtonChecked(dialog, 102) == BST_CHECKED ? 1 : 0;
            lan_connection = IsDlgButtonChecked(dialog, 101) == BST_CHECKED ? 1 : 0;
            EndDialog(dialog, 1);
            break;
        case 2:
            EndDialog(dialog, 2);
            break;
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

int exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Adds one list entry in the first source form that is there: beside the
// list, in "setup" (compressed when marked, else masked with the archive
// member of the same name as pad), or else as an archive member. Each form's
// path is longer than the one before it, so a path that does not fit its 260
// bytes stops the list there: no later form could be read either.
int add_entry(const InstallEntry& entry, void* context) {
    SetupInfo* info = (SetupInfo*)context;
    const char* source_folder = text_of(info->source_folder);
    char source[260], packed[260], destination[260];
    if (!join_needed(destination, text_of(info->destination_folder), entry.dest) ||
        !join_needed(source, source_folder, entry.name))
        return 0;
    if (exists(source)) {
        info->AddFile(source, destination, 0);
        return 1;
    }
    if (!join_needed(packed, "setup", entry.name) || !join_needed(source, source_folder, packed))
        return 0;
    if (exists(source)) {
        if (entry.marked) {
            info->AddFile(source, destination, 1);
        } else {
            if (!join_needed(pad_path, archive_path, entry.name))
                return 0;
            info->AddXorFile(source, pad_path, destination, 1);
        }
        return 1;
    }
    if (!join_needed(source, archive_path, entry.name))
        return 0;
    info->AddFile(source, destination, 0);
    return 1;
}

int read_install_list(SetupInfo* info) {
    char path[260];
    if (!join_needed(path, text_of(info->source_folder), "install.dat"))
        return 0;
    kFile list;
    if (!list.open(path, (char*)"rt"))
        return 0;
    unsigned long length = list.size();
    if (length == 0 || length > (unsigned long)kLargestList)
        return 0;
    char* text = (char*)malloc(length + 1);
    if (!text)
        return 0;
    // Text mode: line ends shrink, so the count read is what the text holds.
    size_t got = fread(text, 1, length, (FILE*)list);
    list.close();
    info->dialog_instance = language_module;
    int result = scan_install_list(text, got, add_entry, info);
    free(text);
    return result == kListComplete || result == kListShort;
}

struct Shortcut {
    unsigned int id;
    const char* fallback;
    const char* target;     // below the install folder
    const char* arguments;  // null: none; "uninstall": the uninstall command
    int icon;
};

const Shortcut kShortcuts[] = {
    {1120, "Run Vantrel", "hub.exe", "button", 0},
    {1514, "Settings", "hub.exe", "settings", 1},
    {1519, "Update Now!", "vantrel_setup.exe", nullptr, 0},
    {1145, "Connect to Internet", "linkup.exe", nullptr, 0},
    {1146, "Vantrel Help", "help\\index.html", nullptr, 0},
    {1221, "Download Helper", "grabber.exe", nullptr, 0},
    {1076, "Uninstall", "setup.exe", "uninstall", 1},
};

// 0 when a path of the shortcut does not fit (the user has been told which).
int add_shortcut(SetupInfo* info, const Shortcut& shortcut) {
    // The link's name has room for any text load_text gives and ".lnk": a
    // path that is too long is found by the join that builds it.
    char name[260], target[260], arguments[1024], link_name[264];
    load_text(shortcut.id, name, shortcut.fallback);
    if (shortcut.id == 1120)
        memcpy(group_name, name, sizeof group_name);
    const char* folder = text_of(info->destination_folder);
    if (!join_needed(target, folder, shortcut.target))
        return 0;
    const char* args = shortcut.arguments;
    if (args && strcmp(args, "uninstall") == 0) {
        snprintf(arguments, sizeof arguments, "uninstall1,%s\\uninst.dat,%s,%s", folder,
                 text_of(info->product_name), text_of(info->product_key));
        args = arguments;
    }
    snprintf(link_name, sizeof link_name, "%s.lnk", name);
    if (is_this_win95() != 0) {
        char relative[260];
        if (!join_needed(relative, text_of(info->product_name), link_name))
            return 0;
        LinkDescriptor link = {info, relative, target, args, shortcut.icon, 0};
        for_each_programs_folder(add_link_to_folder, &link);
        return !link.failed;
    }
    char path[260];
    if (!join_needed(path, text_of(info->group_folder), link_name))
        return 0;
    if (args)
        info->AddSpecialLink(path, target, (char*)args, shortcut.icon);
    else
        info->AddLink(path, target, shortcut.icon);
    return 1;
}

void write_vmin() {
    kRegKey component;
    if (component.open(HKEY_LOCAL_MACHINE, (char*)VANTREL_COMPONENT_KEY) ||
        component.create(HKEY_LOCAL_MACHINE, (char*)VANTREL_COMPONENT_KEY))
        component.set((char*)"_vmin", 160ul);
}

}  // namespace

int __stdcall BeforeCopy(SetupInfo* info, unsigned long) {
    info->dialog_instance = language_module;
    if (DialogBoxParamA(language_module, MAKEINTRESOURCEA(kConnectionDialog), script_splash, connection_proc, 0) == 2)
        return -2;
    if (!read_install_list(info))
        return -1;
    for (const Shortcut& shortcut : kShortcuts)
        if (!add_shortcut(info, shortcut))
            return -1;
    write_vmin();
    append_setting_entries(info);
    for (const char* library : {"hostinfo.dll", "hdlutil.dll", "langres.dll"}) {
        char path[260];
        if (!join_needed(path, text_of(info->source_folder), library))
            return -1;
        info->AddDependency(path);
    }
    return 0;
}
