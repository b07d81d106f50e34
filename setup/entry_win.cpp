// Program entry: start-up, dispatch, shutdown.
#include "entry.h"
#include <new>
#include <string.h>
#include "kregkey.h"
#include "mbcs.h"
#include "regnames.h"
#include "runs.h"
#include "uninst_archive.h"

const char kMakerKey[] = "Software\\Halvern Dynamics Limited";
const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kUninstallEntryFormat[] = "%s\\Uninstall\\%s";
static const char kLeftoverValue[] = "_ktdp";

int read_machine_text(const char* subkey, const char* name, char* value) {
    kRegKey key;
    if (!key.open(HKEY_LOCAL_MACHINE, (char*)subkey))
        return 0;
    unsigned long size = 260;
    if (!key.get((char*)name, (void*)value, &size) || size > 260)
        return 0;
    value[size] = 0;
    return 1;
}

static int own_folder(SetupInfo* info) {
    char path[261];
    DWORD n = GetModuleFileNameA(nullptr, path, 260);
    if (n == 0 || n >= 260)
        return 0;
    path[n] = 0;
    char* last = (char*)mb_find_last(path, '\\');
    if (!last)
        return 0;
    *last = 0;
    return info->source_folder.set(path) && info->destination_folder.set(path);
}

static int select_mode(SetupInfo* info) {
    info->command_line.split((char*)",", info->fields);
    if (info->fields.count == 0) {
        info->mode = kInstallMode;
        return 1;
    }
    kString* first = info->fields.items[0];
    if (*first == (char*)"uninstall1")
        info->mode = kUninstallStage1;
    else if (*first == (char*)"uninstall2")
        info->mode = kUninstallStage2;
    else
        return 0;
    // Fields A, N and K must all be there: a stage cannot run without its
    // archive, product name and product key.
    return info->fields.count >= 4;
}

static int prepare_stage(SetupInfo* info) {
    kString* archive = info->fields.items[1];
    if (unpack_archive(archive->text, info->source_folder.text, 0, &info->extracted) != 0)
        return 0;
    if (info->mode == kUninstallStage2) {
        kString* copy = new (std::nothrow) kString(*archive);
        if (copy && info->extracted.append(copy) < 0)
            delete copy;
    }
    return info->product_name.set(*info->fields.items[2]) && info->product_key.set(*info->fields.items[3]);
}

static int load_script(SetupInfo* info) {
    kString path;
    path.sprintf((char*)"%s\\vscript.dll", info->source_folder.text);
    info->script_library = LoadLibraryExA(path.text, nullptr, 0);
    if (!info->script_library)
        return 0;
    info->entry_point = (EntryPoint)(void*)GetProcAddress(info->script_library, "kSUMEntryPoint");
    if (!info->entry_point)
        return 0;
    return info->entry_point(info, info->hook_context) >= 0;
}

int start_up(SetupInfo* info, HINSTANCE instance, char* command_line) {
    info->command_line.set(command_line);
    info->instance = instance;
    if (!own_folder(info) || !select_mode(info))
        return -1;
    if (info->mode != kInstallMode && !prepare_stage(info))
        return -1;
    return load_script(info) ? 0 : -1;
}

int dispatch(SetupInfo* info) {
    switch (info->mode) {
    case kUninstallStage1:
        return uninstall_stage1(info);
    case kUninstallStage2:
        return uninstall_stage2(info);
    default:
        return install_run(info);
    }
}

static void delete_extracted(SetupInfo* info) {
    for (unsigned int i = 0; i < info->extracted.count; i++) {
        kString* path = info->extracted.items[i];
        if (!path || !path->text || GetFileAttributesA(path->text) == INVALID_FILE_ATTRIBUTES)
            continue;
        if (!DeleteFileA(path->text))
            RemoveDirectoryA(path->text);
    }
}

// The product folder that an uninstall left behind: the last setup to exit
// removes it once it is empty, and only then forgets it.
static void remove_leftover_folder() {
    char folder[261];
    if (!read_machine_text(kMakerKey, kLeftoverValue, folder))
        return;
    Sleep(1000);
    kString help;
    help.sprintf((char*)"%s\\help", folder);
    RemoveDirectoryA(help.text);
    if (!RemoveDirectoryA(folder))
        return;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMakerKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, kLeftoverValue);
    RegCloseKey(key);
}

void shut_down(SetupInfo* info, int started) {
    if (info->script_library) {
        FreeLibrary(info->script_library);
        info->script_library = nullptr;
    }
    delete_extracted(info);
    if (!started)
        return;
    Sleep(1000);
    remove_leftover_folder();
}
