// SetupInfo: the install description and run state shared with the script
// library, its entry records, hook slots and exported operations.
#pragma once
#include "kapi.h"
#include "kstring.h"

class SetupInfo;

typedef int(__stdcall* StageHook)(SetupInfo* info, unsigned long context);
typedef int(__stdcall* FileHook)(SetupInfo* info, char* source, char* destination, unsigned long context);
typedef int(__stdcall* EntryPoint)(SetupInfo* info, unsigned long context);

// One file to place: plain, archive member, masked with a pad, compressed.
struct FileEntry {
    enum { kCompressed = 1, kMasked = 2 };
    kString source;
    kString pad_source;
    kString destination;
    unsigned char flags;
};

// One registry value to write: a DWORD when is_number is 1, else a text.
struct KeyEntry {
    HKEY root;
    kString subkey;
    kString value_name;  // empty: the key's default value
    kString text;
    unsigned long number;
    unsigned long is_number;
};

// One shell link to create.
struct LinkEntry {
    kString link_path;
    kString target;  // also the icon file
    int icon_index;
    kString description;
    kString arguments;
    kString working_folder;
};

// What an install wrote, for the uninstaller: key/value records, files, folders.
class KAPI UninstallInfo final {
public:
    kPtrVector<kString> uninstall_keys;
    kPtrVector<kString> uninstall_files;
    kPtrVector<kString> uninstall_dirs;

    UninstallInfo();
    ~UninstallInfo();
    UninstallInfo(const UninstallInfo&) = delete;
    UninstallInfo& operator=(const UninstallInfo&) = delete;

    // Append a copy; 0 for a null path or when the list cannot grow.
    int AddFile(char* path);
    // Append a copy (an empty entry for a null path); 0 when the list cannot grow.
    int AddDir(char* path);
    // "%s\\%s,%s" (value record) when value_name is not null, else "%s\\%s"
    // (whole-key record), with root named HKLM, HKCR, HKCU or HKUS. 0 for a
    // null root or subkey, another root, or when the list cannot grow.
    int AddKey(HKEY root, char* subkey, char* value_name);
};

// Hook slot numbers: slot k lives at offset 68 + 4k of the 32-bit layout.
enum HookSlot {
    kInstallBegin, kInstallEnd, kWelcomePre, kWelcomePost, kPathPre, kReservedHook5,
    kPathPost, kBeforeCopy, kFileBefore, kFileFailed, kFileAfter, kReservedHook11,
    kReservedHook12, kReservedHook13, kAfterCopy, kCompletePre, kCompletePost,
    kLicensePre, kLicensePost, kVerifyUninstallPre, kVerifyUninstallPost,
    kOldVersionPre, kOldVersionPost, kUninstallBegin, kUninstallEnd, kRestartPre,
    kInsertDiscPre, kInsertDiscPost, kHookSlots
};

// Run modes.
enum { kInstallMode = 0, kUninstallStage1 = 1, kUninstallStage2 = 2 };

// The layout is an interface with the separately built script library:
// on the 32-bit build every field sits at its fixed offset (checked below).
class KAPI SetupInfo final {
public:
    unsigned long size;
    int mode;
    kString command_line;
    kPtrVector<kString> fields;
    kPtrVector<kString> extracted;
    HINSTANCE instance;
    HINSTANCE script_library;
    unsigned long hook_block_size;
    EntryPoint entry_point;
    StageHook InstallBegin;
    StageHook InstallEnd;
    StageHook WelcomePre;
    StageHook WelcomePost;
    StageHook PathPre;
    StageHook ReservedHook5;
    StageHook PathPost;
    StageHook BeforeCopy;
    FileHook FileBefore;
    FileHook FileFailed;
    FileHook FileAfter;
    FileHook ReservedHook11;
    FileHook ReservedHook12;
    FileHook ReservedHook13;
    StageHook AfterCopy;
    StageHook CompletePre;
    StageHook CompletePost;
    StageHook LicensePre;
    StageHook LicensePost;
    StageHook VerifyUninstallPre;
    StageHook VerifyUninstallPost;
    StageHook OldVersionPre;
    StageHook OldVersionPost;
    StageHook UninstallBegin;
    StageHook UninstallEnd;
    StageHook RestartPre;
    StageHook InsertDiscPre;
    StageHook InsertDiscPost;
    unsigned long hook_context;
    kString source_folder;
    kString destination_folder;
    kString product_key;
    kString product_name;
    kString group_folder;
    kPtrVector<FileEntry> files;
    kPtrVector<KeyEntry> keys;
    kPtrVector<LinkEntry> links;
    kPtrVector<kString> dependencies;
    UninstallInfo uninstall;
    kString disc_prompt;
    kPtrVector<kString> disc_labels;
    int disc_drive;
    HINSTANCE dialog_instance;
    DLGPROC dialog_proc;
    unsigned long dialog_id;

    SetupInfo();
    ~SetupInfo();
    SetupInfo(const SetupInfo&) = delete;
    SetupInfo& operator=(const SetupInfo&) = delete;

    // Each Add appends one new entry owned by this object; 1 on success, 0
    // when the entry cannot be created or the list cannot grow.
    int AddFile(char* source, char* destination, int compressed);
    int AddXorFile(char* source, char* pad_source, char* destination, int compressed);
    int AddKey(HKEY root, char* subkey, char* value_name, unsigned long number);
    int AddKey(HKEY root, char* subkey, char* value_name, char* text);
    int AddLink(char* link_path, char* target, int icon_index);
    int AddSpecialLink(char* link_path, char* target, char* arguments, int icon_index);
    // 0 for a null path.
    int AddDependency(char* path);
    // ExitWindowsEx(flags, 0); 1 if Windows accepted.
    int RestartNow(unsigned long flags);
    // Restart dialog (5007); RestartNow(flags) only when it ends with 0.
    int QueryRestart(unsigned long flags);
    // Drive index (0 = A:) of a CD with an accepted label, asking for it with
    // the insert-disc dialog (template 5008 of module); -1 when none.
    int QueryInsertDisc(HINSTANCE module);

    // Hook slot k (0 to 27) as stored in the object.
    void* hook(int k);
};

// Offsets of the 32-bit layout, from the start of the object.
#ifndef _WIN64
#include <stddef.h>
static_assert(sizeof(kString) == 4, "kString is one pointer");
static_assert(sizeof(kPtrVector<kString>) == 20, "kPtrVector is 20 bytes");
static_assert(sizeof(UninstallInfo) == 60, "UninstallInfo is three vectors");
static_assert(sizeof(SetupInfo) == 384, "SetupInfo is 384 bytes");
static_assert(offsetof(SetupInfo, size) == 0, "size");
static_assert(offsetof(SetupInfo, mode) == 4, "mode");
static_assert(offsetof(SetupInfo, command_line) == 8, "command_line");
static_assert(offsetof(SetupInfo, fields) == 12, "fields");
static_assert(offsetof(SetupInfo, extracted) == 32, "extracted");
static_assert(offsetof(SetupInfo, instance) == 52, "instance");
static_assert(offsetof(SetupInfo, script_library) == 56, "script_library");
static_assert(offsetof(SetupInfo, hook_block_size) == 60, "hook_block_size");
static_assert(offsetof(SetupInfo, entry_point) == 64, "entry_point");
static_assert(offsetof(SetupInfo, InstallBegin) == 68, "hook slot 0");
static_assert(offsetof(SetupInfo, PathPost) == 68 + 4 * 6, "hook slot 6");
static_assert(offsetof(SetupInfo, FileBefore) == 68 + 4 * 8, "hook slot 8");
static_assert(offsetof(SetupInfo, AfterCopy) == 68 + 4 * 14, "hook slot 14");
static_assert(offsetof(SetupInfo, UninstallEnd) == 68 + 4 * 24, "hook slot 24");
static_assert(offsetof(SetupInfo, InsertDiscPost) == 68 + 4 * 27, "hook slot 27");
static_assert(offsetof(SetupInfo, hook_context) == 180, "hook_context");
static_assert(offsetof(SetupInfo, hook_context) - offsetof(SetupInfo, hook_block_size) == 120,
              "hook_block_size covers the size field, the entry and the 28 slots");
static_assert(offsetof(SetupInfo, source_folder) == 184, "source_folder");
static_assert(offsetof(SetupInfo, destination_folder) == 188, "destination_folder");
static_assert(offsetof(SetupInfo, product_key) == 192, "product_key");
static_assert(offsetof(SetupInfo, product_name) == 196, "product_name");
static_assert(offsetof(SetupInfo, group_folder) == 200, "group_folder");
static_assert(offsetof(SetupInfo, files) == 204, "files");
static_assert(offsetof(SetupInfo, keys) == 224, "keys");
static_assert(offsetof(SetupInfo, links) == 244, "links");
static_assert(offsetof(SetupInfo, dependencies) == 264, "dependencies");
static_assert(offsetof(SetupInfo, uninstall) == 284, "uninstall");
static_assert(offsetof(SetupInfo, disc_prompt) == 344, "disc_prompt");
static_assert(offsetof(SetupInfo, disc_labels) == 348, "disc_labels");
static_assert(offsetof(SetupInfo, disc_drive) == 368, "disc_drive");
static_assert(offsetof(SetupInfo, dialog_instance) == 372, "dialog_instance");
static_assert(offsetof(SetupInfo, dialog_proc) == 376, "dialog_proc");
static_assert(offsetof(SetupInfo, dialog_id) == 380, "dialog_id");
static_assert(sizeof(FileEntry) == 13 || sizeof(FileEntry) == 16, "file entry: three texts and a flag byte");
static_assert(offsetof(KeyEntry, is_number) == 20, "key entry");
static_assert(offsetof(LinkEntry, working_folder) == 20, "link entry");
#endif
