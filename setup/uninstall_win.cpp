// The uninstall support step, the uninstall record writer, and uninstall
// stages 1 and 2.
#include "uninstall.h"
#include <new>
#include <stdio.h>
#include <string.h>
#include "dialogs.h"
#include "kregkey.h"
#include "paths.h"
#include "regnames.h"
#include "runs.h"
#include "uninst_archive.h"
#include "uninstall_record.h"

enum { kFileAttempts = 10, kFileRetryMs = 1000, kFolderRetryMs = 1500, kRecordPauseMs = 10 };

static char* text_of(kString& s) {
    return s.text ? s.text : (char*)"";
}

static int exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// ---- Uninstall support step ----

static void make_destination(SetupInfo* info) {
    if (exists(info->destination_folder.text))
        return;
    create_path(info->destination_folder.text);
    // Recorded whether or not every level could be made.
    info->uninstall.AddDir(info->destination_folder.text);
}

// The dependencies with the script library last, each followed by recording
// the archive once more.
static int pack_dependencies(SetupInfo* info, kFile& archive, kString& archive_path) {
    kString script;
    script.sprintf((char*)"%s\\vscript.dll", text_of(info->source_folder));
    if (!info->AddDependency(script.text))
        return 0;
    for (unsigned int i = 0; i < info->dependencies.count; i++) {
        kString* path = info->dependencies.items[i];
        if (!path || !append_archive_record(archive, path->text))
            return 0;
        info->uninstall.AddFile(archive_path.text);
    }
    // The C library may keep the last bytes until the stream is flushed: a
    // failure to write them fails the step like any other.
    return fflush(archive) == 0;
}

static int write_archive(SetupInfo* info, kString& archive_path) {
    kFile archive;
    if (!archive.open(archive_path.text, (char*)"wb"))
        return 0;
    return pack_dependencies(info, archive, archive_path);
}

// setup.exe in the destination, hidden and writable. A hidden file cannot be
// replaced by a copy, so an old one loses that attribute first.
static int place_hidden_copy(SetupInfo* info, kString& copy) {
    kString self;
    self.sprintf((char*)"%s\\setup.exe", text_of(info->source_folder));
    copy.sprintf((char*)"%s\\setup.exe", text_of(info->destination_folder));
    if (!self.text || !copy.text)
        return 0;
    DWORD old = GetFileAttributesA(copy.text);
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_HIDDEN))
        SetFileAttributesA(copy.text, old & ~FILE_ATTRIBUTE_HIDDEN);
    if (!CopyFileA(self.text, copy.text, FALSE))
        return 0;
    DWORD now = GetFileAttributesA(copy.text);
    if (now != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(copy.text,
                           (now | FILE_ATTRIBUTE_HIDDEN) & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL));
    info->uninstall.AddFile(copy.text);
    return 1;
}

// The Windows uninstall entry is written later with the script's key entries;
// only its whole key is recorded here.
static void register_uninstall_entry(SetupInfo* info, kString& copy, kString& archive_path) {
    kString key, command;
    key.sprintf((char*)kUninstallEntryFormat, kCurrentVersionKey, text_of(info->product_name));
    command.sprintf((char*)"%s uninstall1,%s,%s,%s", copy.text, archive_path.text, text_of(info->product_name),
                    text_of(info->product_key));
    info->AddKey(HKEY_LOCAL_MACHINE, key.text, (char*)"UninstallString", command.text);
    info->AddKey(HKEY_LOCAL_MACHINE, key.text, (char*)"DisplayName", text_of(info->product_name));
    info->uninstall.AddKey(HKEY_LOCAL_MACHINE, key.text, nullptr);
}

int uninstall_support(SetupInfo* info) {
    if (!info->destination_folder.text || !info->source_folder.text)
        return -1;
    kString archive_path;
    archive_path.sprintf((char*)"%s\\uninst.dat", info->destination_folder.text);
    if (!archive_path.text)
        return -1;
    make_destination(info);
    if (!write_archive(info, archive_path))
        return -1;
    kString copy;
    if (!place_hidden_copy(info, copy))
        return -1;
    register_uninstall_entry(info, copy, archive_path);
    return 0;
}

// ---- Uninstall record writer ----

// The record's root key, "<product key>\\Uninstall", into path; 1 when made.
static int record_root(SetupInfo* info, kString& path) {
    path.sprintf((char*)"%s\\Uninstall", text_of(info->product_key));
    return path.text != nullptr;
}

// The four record subkeys, in the order they are opened and written.
enum { kFileRecords, kDirRecords, kValueRecords, kKeyRecords, kRecordKinds };
static const char* const kRecordKeys[kRecordKinds] = {"File", "Dir", "Value", "Key"};

// Gives each record a value name from the tick count. The tick count may
// stand still for longer than the pause between records, so a name is only
// taken once the count has moved on from the last name given and when no
// value of that name is in the subkey yet: no record replaces another.
class RecordNamer {
public:
    RecordNamer() : last(0), named(0) {}
    void next(HKEY key, char* name);

private:
    DWORD last;
    int named;
};

void RecordNamer::next(HKEY key, char* name) {
    for (;;) {
        DWORD now = GetTickCount();
        record_name(now, name);
        int taken = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        if (!(named && now == last) && !taken) {
            last = now;
            named = 1;
            return;
        }
        Sleep(1);
    }
}

static void write_record(kRegKey& key, char* text, RecordNamer& namer) {
    if (!text)
        return;
    char name[9];
    namer.next(key, name);
    if (!key.set(name, text))
        printf("not recorded: %s\n", text);
    Sleep(kRecordPauseMs);
}

static void write_list(kRegKey& key, kPtrVector<kString>& list, RecordNamer& namer) {
    for (unsigned int i = 0; i < list.count; i++)
        if (list.items[i])
            write_record(key, list.items[i]->text, namer);
}

void write_uninstall_record(SetupInfo* info) {
    kString root_path;
    kRegKey root;
    if (!record_root(info, root_path) || !root.create(HKEY_LOCAL_MACHINE, root_path.text))
        return;
    kRegKey keys[kRecordKinds];
    for (int k = 0; k < kRecordKinds; k++)
        if (!keys[k].create(root, (char*)kRecordKeys[k]))
            return;
    RecordNamer namer;
    write_list(keys[kFileRecords], info->uninstall.uninstall_files, namer);
    write_list(keys[kDirRecords], info->uninstall.uninstall_dirs, namer);
    kPtrVector<kString>& records = info->uninstall.uninstall_keys;
    for (unsigned int i = 0; i < records.count; i++) {
        char* text = records.items[i] ? records.items[i]->text : nullptr;
        if (text)
            write_record(keys[strchr(text, ',') ? kValueRecords : kKeyRecords], text, namer);
    }
}

// ---- Uninstall stage 1 ----

static void remove_windows_entry(SetupInfo* info) {
    // Without a name the path would be the Windows uninstall list itself.
    if (!info->product_name.text || !info->product_name.text[0])
        return;
    kString key;
    key.sprintf((char*)kUninstallEntryFormat, kCurrentVersionKey, info->product_name.text);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.text);
}

// The Windows folder's "Temp", created (one level) when missing.
static void temp_folder(kString& out) {
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    out.sprintf((char*)"%s\\Temp", windows);
    if (!exists(out.text))
        CreateDirectoryA(out.text, nullptr);
}

// Copies setup.exe and the archive into temp, returning the archive's path
// there. Failures show only as a stage 2 that cannot start or unpack.
static void copy_to_temp(SetupInfo* info, kString& temp, kString& archive) {
    kString self, copy;
    self.sprintf((char*)"%s\\setup.exe", text_of(info->source_folder));
    copy.sprintf((char*)"%s\\setup.exe", temp.text);
    DeleteFileA(copy.text);
    CopyFileA(self.text, copy.text, FALSE);
    archive.sprintf((char*)"%s\\uninst.dat", temp.text);
    CopyFileA(text_of(*info->fields.items[1]), archive.text, FALSE);
}

int uninstall_stage1(SetupInfo* info) {
    int begun = info->UninstallBegin ? info->UninstallBegin(info, info->hook_context) : 0;
    if (begun < 0)
        return begun;
    if (begun == 1 || begun == 2)
        return 0;
    int verified = run_dialog(info, info->VerifyUninstallPre, info->VerifyUninstallPost, info->instance,
                              generic_dialog_proc, kVerifyUninstallDialog);
    if (verified != 0)
        return verified;
    remove_windows_entry(info);
    kString temp, archive;
    temp_folder(temp);
    copy_to_temp(info, temp, archive);
    if (info->UninstallEnd)
        info->UninstallEnd(info, info->hook_context);
    execute_process(0, (char*)"%s\\setup.exe uninstall2,%s,%s,%s", temp.text, archive.text,
                    text_of(info->product_name), text_of(info->product_key));
    return 0;
}

// ---- Uninstall stage 2 ----

// Reads the values of one record subkey in index order into fixed buffers.
// A value whose name or data does not fit is skipped, never cut short: a
// shortened path could name something else.
class RecordReader {
public:
    explicit RecordReader(HKEY key) : key(key), index(0) {}
    // 1 with the next record in text; 0 past the last one or on failure.
    int next();

    char name[kRecordKeySize];
    // A record holds up to kRecordTextSize - 1 characters and its zero
    // byte; one byte more gives room to terminate data stored without it.
    char text[kRecordTextSize + 1];

private:
    HKEY key;
    DWORD index;
};

int RecordReader::next() {
    for (;;) {
        DWORD name_size = sizeof name;
        DWORD text_size = sizeof text - 1;  // room for a zero byte the data may lack
        LONG status = RegEnumValueA(key, index++, name, &name_size, nullptr, nullptr, (BYTE*)text, &text_size);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return 0;
        text[text_size] = 0;
        return 1;
    }
}

static void delete_recorded_file(const char* path, int) {
    for (int attempt = 0; attempt < kFileAttempts; attempt++) {
        if (!exists(path))
            return;
        if (DeleteFileA(path))
            continue;
        Sleep(kFileRetryMs);
        DeleteFileA(path);
    }
}

static void remove_recorded_folder(const char* path, int) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    if (RemoveDirectoryA(path))
        return;
    Sleep(kFolderRetryMs);
    RemoveDirectoryA(path);
}

static HKEY root_of(const char* name) {
    if (strcmp(name, "HKLM") == 0)
        return HKEY_LOCAL_MACHINE;
    if (strcmp(name, "HKCU") == 0)
        return HKEY_CURRENT_USER;
    if (strcmp(name, "HKCR") == 0)
        return HKEY_CLASSES_ROOT;
    if (strcmp(name, "HKUS") == 0)
        return HKEY_USERS;
    return nullptr;
}

static void delete_recorded_value(const char* record, int) {
    KeyRecord parts;
    if (!split_key_record(record, 1, &parts))
        return;
    HKEY root = root_of(parts.root);
    kRegKey key;
    if (!root || !key.open(root, parts.subkey))
        return;
    RegDeleteValueA(key, parts.value);
}

// Levels below a recorded key that are cleared before it on Windows NT.
enum { kSubkeyLevels = 3 };

// Removes every subkey of key, each after its own subkeys, down to
// kSubkeyLevels below the recorded key (level is that of key's subkeys). A
// subkey that cannot be removed is stepped over, so the walk always ends.
static void remove_subkeys(HKEY key, int level) {
    DWORD index = 0;
    for (;;) {
        char name[kRecordKeySize];
        DWORD size = sizeof name;
        LONG status = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) {
            index++;
            continue;
        }
        if (status != ERROR_SUCCESS)
            return;
        if (level < kSubkeyLevels) {
            kRegKey child;
            if (child.open(key, name))
                remove_subkeys(child, level + 1);
        }
        if (RegDeleteKeyA(key, name) != ERROR_SUCCESS)
            index++;
    }
}

// The high bit of GetVersion's value marks the Windows 95 family.
static int platform_is_nt() {
    return !(GetVersion() & 0x80000000);
}

// Windows NT refuses to delete a key that still has subkeys; Windows 95 and
// 98 delete them with it.
static void delete_recorded_key(const char* record, int nt) {
    KeyRecord parts;
    if (!split_key_record(record, 0, &parts))
        return;
    HKEY root = root_of(parts.root);
    if (!root)
        return;
    if (nt) {
        kRegKey key;
        if (!key.open(root, parts.subkey))
            return;
        remove_subkeys(key, 1);
    }
    RegDeleteKeyA(root, parts.subkey);
}

// The open uninstall root and its four record subkeys.
class UninstallRecord {
public:
    // 1 when the root and all four subkeys exist.
    int open(SetupInfo* info);
    void close();
    kRegKey root;
    kRegKey keys[kRecordKinds];
};

int UninstallRecord::open(SetupInfo* info) {
    kString path;
    if (!record_root(info, path) || !root.open(HKEY_LOCAL_MACHINE, path.text))
        return 0;
    for (int k = 0; k < kRecordKinds; k++)
        if (!keys[k].open(root, (char*)kRecordKeys[k]))
            return 0;
    return 1;
}

void UninstallRecord::close() {
    for (int k = 0; k < kRecordKinds; k++)
        keys[k].close();
    root.close();
}

// What removes one record of each kind, in kRecordKeys' order; the flag
// says whether Windows NT runs.
static void (*const kRemovers[kRecordKinds])(const char*, int) = {
    delete_recorded_file, remove_recorded_folder, delete_recorded_value, delete_recorded_key};

// Files, folders, values, then keys. One record reader at a time: each
// holds a whole record, and four at once would pass what a function may
// take without probing the stack.
static void remove_recorded(UninstallRecord& record) {
    int nt = platform_is_nt();
    for (int k = 0; k < kRecordKinds; k++) {
        RecordReader reader(record.keys[k]);
        while (reader.next())
            kRemovers[k](reader.text, nt);
    }
}

static void delete_record(SetupInfo* info) {
    kString root, path;
    record_root(info, root);
    static const int order[] = {kFileRecords, kDirRecords, kKeyRecords, kValueRecords};
    for (int k : order) {
        path.sprintf((char*)"%s\\%s", root.text, kRecordKeys[k]);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.text);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, root.text);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, text_of(info->product_key));
}

// Appends "NUL=path" to the rename section of the Windows folder's
// "wininit.ini", keeping the lines already there (several may name NUL).
static void add_wininit_deletion(const char* path) {
    char windows[MAX_PATH], ini[MAX_PATH + 16], line[MAX_PATH + 8];
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    if (strlen(path) >= MAX_PATH)
        return;
    sprintf(ini, "%s\\wininit.ini", windows);
    int n = sprintf(line, "NUL=%s", path);
    const DWORD room = 32768;
    char* section = new (std::nothrow) char[room + sizeof line + 1];
    if (!section)
        return;
    DWORD used = GetPrivateProfileSectionA("rename", section, room, ini);
    if (used < room - 2) {
        // The section is a list of zero-terminated lines ending in an empty one.
        memcpy(section + used, line, n + 1);
        section[used + n + 1] = 0;
        WritePrivateProfileSectionA("rename", section, ini);
    }
    delete[] section;
}

// Stage 2 runs from the temporary folder and cannot delete its own program
// there: Windows deletes it at its next start.
static void schedule_own_deletion() {
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program)
        return;
    if (platform_is_nt()) {
        MoveFileExA(program, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return;
    }
    // The 95 family's start-up reads short names only.
    char short_name[MAX_PATH];
    length = GetShortPathNameA(program, short_name, sizeof short_name);
    add_wininit_deletion(length && length < sizeof short_name ? short_name : program);
}

int uninstall_stage2(SetupInfo* info) {
    schedule_own_deletion();
    UninstallRecord record;
    if (!record.open(info))
        return 0;
    remove_recorded(record);
    record.close();
    delete_record(info);
    return 0;
}
