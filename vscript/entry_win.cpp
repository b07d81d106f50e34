// vscript.dll's entry and the hooks too small for a file of their own:
// InstallBegin, the dialog pre hooks, the uninstall stage's begin and end,
// and the reaction to a file that could not be installed. The uninstall
// side is in uninstall_win.cpp.
#include <new>
#include <stdio.h>
#include <string.h>
#include "hostinfo.h"
#include "kfile.h"
#include "kregkey.h"
#include "links.h"
#include "placer.h"
#include "script.h"
#include "window.h"

int __stdcall PathPre(SetupInfo* info, unsigned long context);
int __stdcall BeforeCopy(SetupInfo* info, unsigned long context);
int __stdcall AfterCopy(SetupInfo* info, unsigned long context);
int __stdcall CompletePre(SetupInfo* info, unsigned long context);
int __stdcall OldVersionPost(SetupInfo* info, unsigned long context);
int __stdcall VerifyUninstallPre(SetupInfo* info, unsigned long context);
int __stdcall VerifyUninstallPost(SetupInfo* info, unsigned long context);

namespace {

int __stdcall Nothing(SetupInfo*, unsigned long) {
    return 0;
}

int __stdcall NothingForFile(SetupInfo*, char*, char*, unsigned long) {
    return 0;
}

// WelcomePre, LicensePre, OldVersionPre: the engine's dialog comes from the
// language library's template of the same id.
int __stdcall UseLanguageTemplates(SetupInfo* info, unsigned long) {
    info->dialog_instance = language_module;
    return 0;
}

int fixed_drive(char letter) {
    char root[4] = {letter, ':', '\\', 0};
    return GetDriveTypeA(root) == DRIVE_FIXED;
}

// The first fixed drive (A to Y; Z is never taken) that has a "Program
// Files" folder, else the first fixed drive; the folder text follows the
// root directly. Without any fixed drive, the folder text alone.
void choose_default_folder(SetupInfo* info) {
    char root[4] = "", first[4] = "";
    for (char letter = 'A'; letter <= 'Y' && !first[0]; letter++)
        if (fixed_drive(letter))
            snprintf(first, sizeof first, "%c:\\", letter);
    char folder[260];
    load_text(1036, folder, "Program Files\\Vantrel");
    for (char letter = 'A'; letter <= 'Y' && !root[0]; letter++) {
        char program_files[32];
        snprintf(program_files, sizeof program_files, "%c:\\Program Files", letter);
        if (fixed_drive(letter) && GetFileAttributesA(program_files) != INVALID_FILE_ATTRIBUTES)
            snprintf(root, sizeof root, "%c:\\", letter);
    }
    char path[300];
    snprintf(path, sizeof path, "%s%s", root[0] ? root : first, folder);
    info->destination_folder.set(path);
}

// 0 when the system may run the product; else the system-refused message
// has been shown and the result is -2.
int check_system() {
    if (is_this_win95())
        return 0;
    unsigned int text = 0;
    if (!is_this_a_valid_win32())
        text = 1141;
    else if (!is_this_service_pack_3())
        text = 1143;
    if (!text)
        return 0;
    char message[260], caption[260];
    load_text(text, message, "");
    load_text(text + 1, caption, "");
    MessageBoxA(GetDesktopWindow(), message, caption, MB_ICONHAND | MB_SETFOREGROUND);
    return -2;
}

void set_group_folder(SetupInfo* info) {
    char folder[260];
    if (is_this_win95() == 1) {
        tune_network = 1;
        char programs[260] = "";
        GetSpecialFolderch(2, programs);
        if (join(folder, programs, group_name))
            info->group_folder.set(folder);
        return;
    }
    tune_network = 0;
    char common[260];
    if (read_text(HKEY_LOCAL_MACHINE, SHELL_FOLDERS_KEY, "Common Programs", common) &&
        join(folder, common, text_of(info->product_name)))
        info->group_folder.set(folder);
}

int __stdcall InstallBegin(SetupInfo* info, unsigned long) {
    send_shutdown_signal();
    language_module = LoadLibraryA("langres.dll");
    if (!language_module)
        return -1;
    info->dialog_instance = language_module;
    if (check_system() < 0)
        return -2;
    if (is_this_japan() == 1) {
        char message[260], caption[260];
        load_text(1055, message, "This is wrong language");
        load_text(1056, caption, "Wrong Language");
        MessageBoxA(GetDesktopWindow(), message, caption, 0);
        return -1;
    }
    choose_default_folder(info);
    info->product_key.set(VANTREL_PRODUCT_KEY);
    char name[260];
    load_text(1500, name, "Vantrel");
    info->product_name.set(name);
    kRegKey run_once;
    if (run_once.open(HKEY_LOCAL_MACHINE, (char*)RUNONCE_KEY)) {
        char value[300];
        snprintf(value, sizeof value, "fn_%s", name);
        RegDeleteValueA(run_once, value);
        run_once.close();
    }
    load_text(1120, group_name, "Button Display");
    set_group_folder(info);
    script_splash = Splash(1, language_module);
    if (!run_tuning_probe(BUILD_TAG, text_of(info->source_folder)))
        return -2;
    char text[260];
    load_text(1051, text, "Vantrel Install CD");
    info->disc_prompt.set(text);
    load_text(1052, text, "Vantr");
    kString* label = new (std::nothrow) kString;
    if (label && (!label->set(text) || info->disc_labels.append(label) < 0))
        delete label;
    // A source folder too long for the archive's path leaves it empty: the
    // install list cannot be read from there either.
    join(archive_path, text_of(info->source_folder), "files.dat");
    // A drive root (D:\) becomes D:, so that later joins give one separator.
    if (_mbssize(text_of(info->source_folder)) == 3)
        info->source_folder.text[2] = 0;
    return 0;
}

int __stdcall UninstallBegin(SetupInfo*, unsigned long) {
    language_module = LoadLibraryA("langres.dll");
    if (!language_module)
        return -1;
    script_splash = Splash(1, language_module);
    return 0;
}

int __stdcall UninstallEnd(SetupInfo*, unsigned long) {
    Splash(0, nullptr);
    if (language_module)
        FreeLibrary(language_module);
    language_module = nullptr;
    return 0;
}

// The file entry the engine could not place: the one whose destination text
// it handed over, else the first with an equal destination.
FileEntry* failed_entry(SetupInfo* info, const char* destination) {
    FileEntry* equal = nullptr;
    for (unsigned int i = 0; i < info->files.count; i++) {
        FileEntry* entry = info->files.items[i];
        if (!entry || !entry->destination.text)
            continue;
        if (entry->destination.text == destination)
            return entry;
        if (!equal && strcmp(entry->destination.text, destination) == 0)
            equal = entry;
    }
    return equal;
}

int __stdcall FileFailed(SetupInfo* info, char* source, char* destination, unsigned long) {
    if (source && strstr(source, "ddeproc")) {
        // The DDE process holds its own file: stop it and place the entry
        // once more as the media hold it (archived, masked or compressed).
        stop_dde_process();
        FileEntry* entry = info && destination ? failed_entry(info, destination) : nullptr;
        if (entry)
            place_file(info, entry);
        return 0;
    }
    char message[4096];
    snprintf(message, sizeof message, "Src = [%s] : Dest = [%s]", source ? source : "",
             destination ? destination : "");
    MessageBoxA(nullptr, message, "CopyFile Failed!", MB_OK);
    return -1;
}

}  // namespace

extern "C" __declspec(dllexport) int __stdcall kSUMEntryPoint(SetupInfo* info, unsigned long) {
    info->InstallBegin = InstallBegin;
    info->InstallEnd = Nothing;
    info->WelcomePre = UseLanguageTemplates;
    info->WelcomePost = Nothing;
    info->PathPre = PathPre;
    info->ReservedHook5 = Nothing;
    info->PathPost = Nothing;
    info->BeforeCopy = BeforeCopy;
    info->FileBefore = NothingForFile;
    info->FileFailed = FileFailed;
    info->FileAfter = NothingForFile;
    info->ReservedHook11 = NothingForFile;
    info->ReservedHook12 = NothingForFile;
    info->ReservedHook13 = NothingForFile;
    info->AfterCopy = AfterCopy;
    info->CompletePre = CompletePre;
    info->CompletePost = Nothing;
    info->LicensePre = UseLanguageTemplates;
    info->LicensePost = Nothing;
    info->VerifyUninstallPre = VerifyUninstallPre;
    info->VerifyUninstallPost = VerifyUninstallPost;
    info->OldVersionPre = UseLanguageTemplates;
    info->OldVersionPost = OldVersionPost;
    info->UninstallBegin = UninstallBegin;
    info->UninstallEnd = UninstallEnd;
    return 0;
}
