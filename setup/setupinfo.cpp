// SetupInfo: construction, the Add operations and the restart query.
#include <new>
#include "setupinfo.h"
#include "dialogs.h"
#include "restart.h"

SetupInfo::SetupInfo() {
    size = sizeof(SetupInfo);
    mode = kInstallMode;
    instance = nullptr;
    script_library = nullptr;
    hook_block_size = (unsigned long)((char*)&hook_context - (char*)&hook_block_size);
    entry_point = nullptr;
    for (int k = 0; k < kHookSlots; k++)
        ((void**)&InstallBegin)[k] = nullptr;
    hook_context = 0;
    disc_drive = -1;
    dialog_instance = nullptr;
    dialog_proc = nullptr;
    dialog_id = 0;
}

SetupInfo::~SetupInfo() {
    fields.destroy_all();
    extracted.destroy_all();
    files.destroy_all();
    keys.destroy_all();
    links.destroy_all();
    dependencies.destroy_all();
    disc_labels.destroy_all();
}

void* SetupInfo::hook(int k) {
    if (k < 0 || k >= kHookSlots)
        return nullptr;
    return ((void**)&InstallBegin)[k];
}

// Appends entry to list; destroys it when the list cannot grow.
template <class T>
static int append_entry(kPtrVector<T>& list, T* entry) {
    if (!entry)
        return 0;
    if (list.append(entry) < 0) {
        delete entry;
        return 0;
    }
    return 1;
}

// Appends a new file entry; flags gain kCompressed when compressed is not 0.
static int add_file(kPtrVector<FileEntry>& files, char* source, char* pad_source, char* destination,
                    unsigned char flags, int compressed) {
    FileEntry* entry = new (std::nothrow) FileEntry;
    if (entry) {
        entry->source.set(source);
        entry->pad_source.set(pad_source);
        entry->destination.set(destination);
        entry->flags = flags | (compressed ? FileEntry::kCompressed : 0);
    }
    return append_entry(files, entry);
}

int SetupInfo::AddFile(char* source, char* destination, int compressed) {
    return add_file(files, source, nullptr, destination, 0, compressed);
}

int SetupInfo::AddXorFile(char* source, char* pad_source, char* destination, int compressed) {
    return add_file(files, source, pad_source, destination, FileEntry::kMasked, compressed);
}

// Appends a new key entry: a number when is_number is 1, else the text.
static int add_key(kPtrVector<KeyEntry>& keys, HKEY root, char* subkey, char* value_name, char* text,
                   unsigned long number, unsigned long is_number) {
    KeyEntry* entry = new (std::nothrow) KeyEntry;
    if (entry) {
        entry->root = root;
        entry->subkey.set(subkey);
        entry->value_name.set(value_name);
        entry->text.set(text);
        entry->number = number;
        entry->is_number = is_number;
    }
    return append_entry(keys, entry);
}

int SetupInfo::AddKey(HKEY root, char* subkey, char* value_name, unsigned long number) {
    return add_key(keys, root, subkey, value_name, nullptr, number, 1);
}

int SetupInfo::AddKey(HKEY root, char* subkey, char* value_name, char* text) {
    return add_key(keys, root, subkey, value_name, text, 0, 0);
}

static LinkEntry* new_link(char* link_path, char* target, char* arguments, int icon_index) {
    LinkEntry* entry = new (std::nothrow) LinkEntry;
    if (!entry)
        return nullptr;
    entry->link_path.set(link_path);
    entry->target.set(target);
    entry->arguments.set(arguments);
    entry->icon_index = icon_index;
    return entry;
}

// A link entry counts as added once it exists, even if the list cannot take it.
int SetupInfo::AddLink(char* link_path, char* target, int icon_index) {
    return AddSpecialLink(link_path, target, nullptr, icon_index);
}

int SetupInfo::AddSpecialLink(char* link_path, char* target, char* arguments, int icon_index) {
    LinkEntry* entry = new_link(link_path, target, arguments, icon_index);
    if (!entry)
        return 0;
    append_entry(links, entry);
    return 1;
}

int SetupInfo::AddDependency(char* path) {
    if (!path)
        return 0;
    return append_copy(dependencies, path);
}

int SetupInfo::RestartNow(unsigned long flags) {
    // Without the privilege NT refuses a restart or shutdown; a log-off needs
    // none, so a failure here is left for ExitWindowsEx to report.
    enable_shutdown_privilege(GetVersion());
    return ExitWindowsEx(flags, 0) ? 1 : 0;
}

int SetupInfo::QueryRestart(unsigned long flags) {
    int result = run_dialog(this, RestartPre, nullptr, instance, generic_dialog_proc, kRestartDialog);
    if (result != 0)
        return 0;
    return RestartNow(flags);
}
