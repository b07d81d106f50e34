// Whether the cache folder that the product records may be deleted as a
// whole tree. The folder is first named as the file system names it (full
// path, long names, the drive a SUBST drive shows), then judged against the
// folders that must stay; whatever cannot be named or judged is refused.
// Only functions that the first Windows 95 and Windows NT 4.0 both export
// are imported: long names come from FindFirstFileA, one component at a
// time, and QueryDosDeviceA, which the Windows 95 family lacks, is looked up
// at run time. Paths are stepped through and compared by the system
// (CharNextA, CompareStringA follow the ANSI code page on both families),
// not with the C runtime's multibyte table, which crtdll.dll is not known
// to set up for the system's code page.
#include <stdio.h>
#include <string.h>
#include "kregkey.h"
#include "script.h"

namespace {

enum { kPath = 260, kSubstDepth = 4 };

// Drive letters and device names are ASCII: no locale is needed for them.
int drive_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char ascii_upper(char c) {
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kNtProfiles[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char k95Profiles[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";
const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

int windows_nt() {
    return (GetVersion() & 0x80000000) == 0;
}

// "X:\" or "X:/" at the start of path.
int on_drive_letter(const char* path) {
    return drive_letter(path[0]) && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

// A network path ("\\server\share"), as opposed to the "\\?\" and "\\.\"
// forms that name devices or bypass the system's path rules.
int network_path(const char* path) {
    return path[0] == '\\' && path[1] == '\\' && path[2] && path[2] != '?' && path[2] != '.';
}

// CON, PRN, AUX, NUL, CLOCK$, COM1 to COM9 and LPT1 to LPT9, with or without
// an extension: the system opens the device in whatever folder the name
// stands.
int device_name(const char* name, size_t length) {
    size_t stem = 0;
    while (stem < length && name[stem] != '.')
        stem++;
    while (stem > 0 && name[stem - 1] == ' ')
        stem--;
    char upper[8];
    if (stem < 3 || stem > 6)
        return 0;
    for (size_t i = 0; i < stem; i++)
        upper[i] = ascii_upper(name[i]);
    upper[stem] = 0;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};
    for (const char* device : kDevices)
        if (strcmp(upper, device) == 0)
            return 1;
    return stem == 4 && (strncmp(upper, "COM", 3) == 0 || strncmp(upper, "LPT", 3) == 0) && upper[3] >= '1' &&
           upper[3] <= '9';
}

// The folder that drive letter shows when it is a SUBST drive, into shown
// ("C:\folder"): 1 then, 0 for a drive of its own, -1 when Windows NT
// cannot say. The Windows 95 family has no QueryDosDeviceA: there a SUBST
// drive is caught by its volume (see same_volume).
int subst_target(char letter, char* shown) {
    if (!windows_nt())
        return 0;
    typedef DWORD(WINAPI * QueryDosDeviceFn)(LPCSTR, LPSTR, DWORD);
    QueryDosDeviceFn query =
        (QueryDosDeviceFn)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryDosDeviceA");
    char drive[3] = {letter, ':', 0}, target[1024];
    if (!query || !query(drive, target, sizeof target))
        return -1;
    if (strncmp(target, "\\??\\", 4) != 0)
        return 0;
    if (!on_drive_letter(target + 4) || strlen(target + 4) >= kPath)
        return -1;
    strcpy(shown, target + 4);
    return 1;
}

// Appends the component at..at+length of a full path to out (used bytes
// so far), by its long name while every component so far exists. 0 for a
// device name or a path that does not fit; when strict, also for a link
// (reparse point) or a missing component.
int append_component(char* out, size_t* used, const char* at, size_t length, int strict, int* exists) {
    if (device_name(at, length) || *used + length + 1 >= kPath)
        return 0;
    memcpy(out + *used, at, length);
    out[*used + length] = 0;
    if (*exists) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(out, &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            length = strlen(found.cFileName);
            if ((strict && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) || *used + length + 1 >= kPath)
                return 0;
            memcpy(out + *used, found.cFileName, length + 1);
        } else if (strict) {
            return 0;
        } else {
            *exists = 0;
        }
    }
    *used += length;
    return 1;
}

int canonical_at(const char* path, char* out, int strict, int depth) {
    if (!on_drive_letter(path) || strpbrk(path + 2, "*?\"<>|:"))
        return 0;
    char full[kPath], *name;
    DWORD length = GetFullPathNameA(path, kPath, full, &name);
    if (length == 0 || length >= kPath || !on_drive_letter(full))
        return 0;
    // A drive root is never the folder to delete, whatever drive it shows.
    if (strict && length <= 3)
        return 0;
    char shown[kPath], there[kPath];
    switch (subst_target(full[0], shown)) {
    case 1:
        if (depth >= kSubstDepth || snprintf(there, kPath, "%s%s", shown, full + 2) >= kPath)
            return 0;
        return canonical_at(there, out, strict, depth + 1);
    case -1:
        return 0;
    }
    snprintf(out, kPath, "%c:\\", ascii_upper((char)full[0]));
    // A drive whose root is itself a link (Wine's Z:, the whole Unix tree).
    DWORD root = GetFileAttributesA(out);
    if (strict && (root == INVALID_FILE_ATTRIBUTES || (root & FILE_ATTRIBUTE_REPARSE_POINT)))
        return 0;
    size_t used = 3;
    int exists = 1;
    for (const char* at = full + 3; *at;) {
        const char* end = at;
        while (*end && *end != '\\')
            end = CharNextA(end);
        if (end > at) {
            if (used > 3)
                out[used++] = '\\';
            if (!append_component(out, &used, at, end - at, strict, &exists))
                return 0;
        }
        at = *end ? end + 1 : end;
    }
    out[used] = 0;
    return 1;
}

// path as the file system names it, into out (kPath bytes): full, "." and
// ".." resolved, each existing component by its long name, a SUBST drive
// replaced by the folder it shows; components after the first missing one
// stay as written. 0 for anything but a plain path on a drive letter
// (network paths, devices, "\\?\" and "\\.\" forms), for wildcards and
// stream names, and for what does not fit. strict (the folder to delete):
// also 0 for a missing folder and for a path through a link, the drive's
// root included.
int canonical(const char* path, char* out, int strict) {
    return canonical_at(path, out, strict, 0);
}

// Whether inner is outer or lies below it (both canonical).
int inside(const char* inner, const char* outer) {
    size_t length = strlen(outer);
    if (length == 3)
        return ascii_upper((char)inner[0]) == ascii_upper((char)outer[0]);
    return strlen(inner) >= length &&
           CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, inner, (int)length, outer, (int)length) ==
               CSTR_EQUAL &&
           (inner[length] == 0 || inner[length] == '\\');
}

// Whether two drive letters may show the same volume: the same volume
// serial number, or one that cannot be read.
int same_volume(char a, char b) {
    char root_a[4] = {a, ':', '\\', 0}, root_b[4] = {b, ':', '\\', 0};
    DWORD serial_a = 0, serial_b = 0;
    if (!GetVolumeInformationA(root_a, nullptr, 0, &serial_a, nullptr, nullptr, nullptr, 0) ||
        !GetVolumeInformationA(root_b, nullptr, 0, &serial_b, nullptr, nullptr, nullptr, 0))
        return 1;
    return serial_a == serial_b;
}

// A cache folder judged against the folders that must stay.
class CacheJudge {
public:
    explicit CacheJudge(const char* cache) { strcpy(cache_, cache); }
    int refused() const { return refused_; }

    // The folder itself and every folder that holds it must stay; with
    // below, everything below it too.
    void keep(const char* folder, int below = 0) {
        char kept[kPath];
        if (refused_ || !folder || !folder[0] || network_path(folder))
            return;
        if (!canonical(folder, kept, 0)) {
            refused_ = 1;
            return;
        }
        if (inside(kept, cache_) || (below && inside(cache_, kept)))
            refused_ = 1;
        // Another drive letter on the same volume may be a SUBST drive that
        // shows this folder under another name.
        else if (ascii_upper((char)kept[0]) != cache_[0] && same_volume(kept[0], cache_[0]))
            refused_ = 1;
    }

    // The folder and the one that holds it (the folder of the profiles).
    void keep_with_parent(const char* folder) {
        keep(folder);
        char parent[kPath];
        if (refused_ || !folder[0] || network_path(folder) || !canonical(folder, parent, 0))
            return;
        char* last = nullptr;
        for (char* at = parent; *at; at = CharNextA(at))
            if (*at == '\\')
                last = at;
        if (last && last - parent > 2) {
            *last = 0;
            keep(parent);
        }
    }

    // Every text value of a key that names a folder, expanded where it is
    // stored for expansion. A value that cannot be read whole refuses the
    // cache.
    void keep_values(HKEY root, const char* subkey, int required) {
        kRegKey key;
        if (!key.open(root, (char*)subkey)) {
            refused_ |= required;
            return;
        }
        for (DWORD i = 0; !refused_; i++) {
            char name[kPath], value[kPath], expanded[kPath];
            DWORD name_size = sizeof name, value_size = sizeof value - 1, type = 0;
            LONG result = RegEnumValueA(key, i, name, &name_size, nullptr, &type, (BYTE*)value, &value_size);
            if (result == ERROR_NO_MORE_ITEMS)
                return;
            if (result != ERROR_SUCCESS) {
                refused_ = 1;
                return;
            }
            if (type != REG_SZ && type != REG_EXPAND_SZ)
                continue;
            value[value_size] = 0;
            if (type == REG_EXPAND_SZ) {
                DWORD length = ExpandEnvironmentStringsA(value, expanded, sizeof expanded);
                if (length == 0 || length > sizeof expanded) {
                    refused_ = 1;
                    return;
                }
                strcpy(value, expanded);
                // A variable this process does not know: undetermined.
                if (strchr(value, '%')) {
                    refused_ = 1;
                    return;
                }
            }
            // Texts that name no folder (notes some systems keep there)
            // are passed over.
            if (on_drive_letter(value) || (value[0] == '\\' && value[1] == '\\'))
                keep(value);
        }
    }

    // Each profile of a profile list and the folder that holds it.
    void keep_profiles(const char* subkey, int required) {
        kRegKey list;
        if (!list.open(HKEY_LOCAL_MACHINE, (char*)subkey)) {
            refused_ |= required;
            return;
        }
        keep_values(HKEY_LOCAL_MACHINE, subkey, 0);
        unsigned long count = list.children();
        for (unsigned long i = 0; i < count && !refused_; i++) {
            char name[kPath], profile[kPath], expanded[kPath];
            kRegKey entry;
            if (!list.child(i, name, sizeof name) || !entry.open(list, name)) {
                refused_ = 1;
                return;
            }
            // An entry without a folder has none to keep; one whose folder
            // cannot be read refuses the cache.
            LONG found = RegQueryValueExA(entry, "ProfileImagePath", nullptr, nullptr, nullptr, nullptr);
            if (found == ERROR_FILE_NOT_FOUND)
                continue;
            if (!get_text(entry, "ProfileImagePath", profile)) {
                refused_ = 1;
                return;
            }
            DWORD length = ExpandEnvironmentStringsA(profile, expanded, sizeof expanded);
            if (length == 0 || length > sizeof expanded) {
                refused_ = 1;
                return;
            }
            keep_with_parent(expanded);
        }
    }

    // The shell folders of every user whose settings are loaded.
    void keep_every_users_shell_folders() {
        char user[kPath], subkey[kPath * 2];
        for (DWORD i = 0; !refused_ && RegEnumKeyA(HKEY_USERS, i, user, sizeof user) == ERROR_SUCCESS; i++) {
            snprintf(subkey, sizeof subkey, "%s\\%s", user, SHELL_FOLDERS_KEY);
            keep_values(HKEY_USERS, subkey, 0);
        }
    }

private:
    char cache_[kPath];
    int refused_ = 0;
};

void keep_folder(const char* folder, void* judge) {
    ((CacheJudge*)judge)->keep(folder);
}

// A folder on a drive of this machine: not a network, CD or unknown drive.
int local_drive(char letter) {
    char root[4] = {letter, ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK;
}

}  // namespace

// Refused, and so left untouched: anything that is not a folder on a local
// drive named plainly (network paths, mapped network drives, devices, the
// "\\?\" and "\\.\" forms, links), a drive root, the Windows and System
// folders and everything below them, and a folder that is or holds the
// install folder, the Program Files folder, a profile, the folder of the
// profiles or a shell folder of any user; and any folder when one of those
// cannot be read.
int cache_tree_deletable(const char* cache, SetupInfo* info) {
    char folder[kPath];
    if (!cache || !canonical(cache, folder, 1) || strlen(folder) <= 3 || !local_drive(folder[0]))
        return 0;
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    CacheJudge judge(folder);
    char path[kPath];
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return 0;
    judge.keep(path, 1);
    length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return 0;
    judge.keep(path, 1);
    if (!read_text(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", path))
        return 0;
    judge.keep(path);
    judge.keep(text_of(info->destination_folder));
    judge.keep_profiles(kNtProfiles, windows_nt());
    judge.keep_profiles(k95Profiles, 0);
    judge.keep_values(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 1);
    judge.keep_values(HKEY_CURRENT_USER, kUserShellFolders, 0);
    judge.keep_values(HKEY_LOCAL_MACHINE, SHELL_FOLDERS_KEY, 0);
    judge.keep_every_users_shell_folders();
    for_each_programs_folder(keep_folder, &judge);
    return !judge.refused();
}
