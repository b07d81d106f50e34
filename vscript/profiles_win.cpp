// The Programs folders of the default user and of every user profile on the
// Windows 95 family, and the shortcuts and shortcut folders below them.
#include <string.h>
#include "kregkey.h"
#include "script.h"

namespace {

const char kDefaultShellFolders[] = ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kStartMenu[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Start Menu";
const char kProfileList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";

// The last backslash of text, stepping by characters so that the trail byte
// of a double-byte character is never taken for one; null when none.
const char* last_backslash(const char* text) {
    const char* found = nullptr;
    for (const char* at = text; *at; at += IsDBCSLeadByte((BYTE)*at) && at[1] ? 2 : 1)
        if (*at == '\\')
            found = at;
    return found;
}

// A shortcut's long name ends in ".lnk", in any case. The search pattern
// "*.lnk" also matches the 8.3 short name of "notes.lnkx" (NOTES~1.LNK).
// No trail byte of a double-byte character is below 0x40, so the '.' of a
// matching ending is a character of its own.
bool is_link_name(const char* name) {
    size_t length = strlen(name);
    return length > 4 && lstrcmpiA(name + length - 4, ".lnk") == 0;
}

}  // namespace

int for_each_programs_folder(FolderCallback callback, void* context) {
    if (!callback)
        return 0;
    char programs[260], relative[260] = "Programs";
    if (read_text(HKEY_USERS, kDefaultShellFolders, "Programs", programs)) {
        callback(programs, context);
        const char* last = last_backslash(programs);
        if (last)
            strcpy(relative, last + 1);
    }
    char local_file[260];
    if (!read_text(HKEY_CURRENT_USER, kStartMenu, "LocalFile", local_file))
        return 0;
    kRegKey list;
    if (!list.open(HKEY_LOCAL_MACHINE, (char*)kProfileList))
        return 0;
    unsigned long profiles = list.children();
    for (unsigned long i = 0; i < profiles; i++) {
        char name[260], profile[260], start_menu[260], folder[260];
        kRegKey subkey;
        if (!list.child(i, name, sizeof name) || !subkey.open(list, name) ||
            !get_text(subkey, "ProfileImagePath", profile))
            return 0;
        // A folder that would not fit its 260 bytes is skipped, not cut.
        if (join(start_menu, profile, local_file) && join(folder, start_menu, relative))
            callback(folder, context);
    }
    return 1;
}

void add_link_to_folder(const char* folder, void* context) {
    LinkDescriptor* link = (LinkDescriptor*)context;
    if (!link || link->failed || !folder || !link->link_path || !link->target || !link->info)
        return;
    char path[260];
    if (!join_needed(path, folder, link->link_path)) {
        link->failed = 1;
        return;
    }
    if (link->arguments)
        link->info->AddSpecialLink(path, (char*)link->target, (char*)link->arguments, link->icon_index);
    else
        link->info->AddLink(path, (char*)link->target, link->icon_index);
}

void remove_named_folder(const char* folder, void* folder_name) {
    char path[260];
    if (folder && folder_name && join(path, folder, (const char*)folder_name))
        remove_link_folder(path);
}

void remove_link_folder(const char* folder) {
    char pattern[260];
    if (!join(pattern, folder, "*.lnk"))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            char path[260];
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != '.' &&
                is_link_name(found.cFileName) && join(path, folder, found.cFileName))
                DeleteFileA(path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder);
}
