// The install run: previous version, Welcome, License Agreement, Install
// Path, the copy stage with its progress dialog, Complete.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <string.h>
#include "dialogs.h"
#include "folder_text.h"
#include "kfile.h"
#include "kbuffer.h"
#include "kregkey.h"
#include "links.h"
#include "paths.h"
#include "placer.h"
#include "regnames.h"
#include "runs.h"
#include "uninstall.h"
#include "window.h"

static int call(StageHook hook, SetupInfo* info) {
    return hook ? hook(info, info->hook_context) : 0;
}

// Previous-version check: an uninstall record with its four sections, and
// the Windows uninstall entry under the product's local name.
static int previous_version_present(SetupInfo* info) {
    kString path;
    path.sprintf((char*)"%s\\Uninstall", info->product_key.text);
    kRegKey record;
    if (!record.open(HKEY_LOCAL_MACHINE, path) || record.children() < 4)
        return 0;
    char name[261] = "";
    path.sprintf((char*)"%s\\Vantrel\\Settings", kMakerKey);
    if (!read_machine_text(path, "local_name", name))
        lstrcpynA(name, info->product_name.text ? info->product_name.text : "", sizeof name);
    path.sprintf((char*)kUninstallEntryFormat, kCurrentVersionKey, name);
    kRegKey entry;
    return entry.open(HKEY_LOCAL_MACHINE, path) && entry.values() >= 2;
}

// Deletes each name of a list ("a\0b\0\0") from the key subkey, values when
// value is 1, subkeys otherwise.
static void delete_names(const char* subkey, const char* names, int value) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    for (; *names; names += strlen(names) + 1)
        (value ? RegDeleteValueA : RegDeleteKeyA)(key, names);
    RegCloseKey(key);
}

// When the old copy cannot uninstall itself, its registry traces go; its
// files stay. Children before parents, for Windows NT.
static void manual_cleanup() {
    char path[64];
    sprintf(path, "%s\\Run", kCurrentVersionKey);
    delete_names(path, "Vantrel\0ddeproc\0", 1);
    sprintf(path, "%s\\Uninstall", kCurrentVersionKey);
    delete_names(path, "Vantrel\0", 0);
    sprintf(path, "%s\\Vantrel\\Uninstall", kMakerKey);
    delete_names(path, "Dir\0File\0Key\0Value\0", 0);
    sprintf(path, "%s\\Vantrel", kMakerKey);
    delete_names(path, "Uninstall\0Settings\0", 0);
    delete_names(kMakerKey, "Vantrel\0", 0);
}

static void delete_error_pages() {
    char cache[261];
    kString key;
    key.sprintf((char*)"%s\\Vantrel", kMakerKey);
    if (!read_machine_text(key, "cacheDir", cache))
        return;
    for (int i = 1; i <= 4; i++) {
        kString page;
        page.sprintf((char*)"%s\\err%d.html", cache, i);
        DeleteFileA(page);
    }
}

static int replace_previous(SetupInfo* info) {
    int result = run_dialog(info, info->OldVersionPre, info->OldVersionPost, info->instance,
                            generic_dialog_proc, kOldVersionDialog);
    if (result < 0)
        return result;
    if (result == 2)
        return 0;
    kString entry;
    entry.sprintf((char*)kUninstallEntryFormat, kCurrentVersionKey, info->product_name.text);
    char command[261];
    if (!read_machine_text(entry, "UninstallString", command))
        return 0;
    delete_error_pages();
    unsigned long code = execute_process(1, (char*)"%s", command);
    if (code == 0xFFFFFFFFul) {
        manual_cleanup();
        return 0;
    }
    // The old uninstaller's second stage goes on removing files.
    Sleep(5000);
    return (int)code;
}

static INT_PTR CALLBACK license_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        SetupInfo* info = (SetupInfo*)lparam;
        Center(nullptr, dialog);
        SetForegroundWindow(dialog);
        kString path;
        path.sprintf((char*)"%s\\license.txt", info->source_folder.text);
        kFile file;
        kBuffer text;
        if (file.open(path, (char*)"rb") && file.GetImage(text))
            SetDlgItemTextA(dialog, 100, (char*)text.pointer());
        HWND edit = GetDlgItem(dialog, 100);
        PostMessageA(edit, EM_SETSEL, (WPARAM)-1, 0);
        RECT frame;
        SendMessageA(edit, EM_GETRECT, 0, (LPARAM)&frame);
        InflateRect(&frame, -35, -10);
        SendMessageA(edit, EM_SETRECT, 0, (LPARAM)&frame);
        return TRUE;
    }
    }
    // Agree, Disagree and closing behave as in every other engine dialog.
    return message == WM_COMMAND || message == WM_CLOSE ? generic_dialog_proc(dialog, message, wparam, lparam)
                                                        : FALSE;
}

// A folder the product may go to: a sound path on a local removable or
// fixed drive.
static int folder_acceptable(char* folder) {
    if (!path_is_ok(folder, 0, 0))
        return 0;
    char root[4] = {folder[0], ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    return type == DRIVE_REMOVABLE || type == DRIVE_FIXED;
}

static void update_next(HWND dialog) {
    char text[262];
    int length = GetDlgItemTextA(dialog, 100, text, sizeof text);
    int ok = length < 260 && folder_acceptable(text);
    EnableWindow(GetDlgItem(dialog, 1), ok);
}

static void browse(HWND dialog, SetupInfo* info) {
    char title[260];
    load_text(info->dialog_instance, 1082, title, "select destination folder");
    BROWSEINFOA request = {};
    request.hwndOwner = dialog;
    request.lpszTitle = title;
    LPITEMIDLIST picked = SHBrowseForFolderA(&request);
    if (!picked)
        return;
    char path[MAX_PATH] = "";
    int got = SHGetPathFromIDListA(picked, path);
    CoTaskMemFree(picked);
    if (!got)
        return;
    info->destination_folder.set(path);
    SetDlgItemTextA(dialog, 100, path);
    strip_one_backslash(info->destination_folder);
    EnableWindow(GetDlgItem(dialog, 1), folder_acceptable(path));
}

static void take_folder(HWND dialog, SetupInfo* info) {
    char text[262];
    if (GetDlgItemTextA(dialog, 100, text, sizeof text) >= 260) {
        EnableWindow(GetDlgItem(dialog, 1), FALSE);
        return;
    }
    info->destination_folder.set(text);
    strip_one_backslash(info->destination_folder);
    size_t n = strlen(info->destination_folder.text);
    while (n && info->destination_folder.text[n - 1] == ' ')
        info->destination_folder.text[--n] = 0;
    EndDialog(dialog, 1);
}

static INT_PTR CALLBACK path_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    SetupInfo* info = (SetupInfo*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        Center(GetParent(dialog), dialog);
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        info = (SetupInfo*)lparam;
        SendMessageA(GetDlgItem(dialog, 100), EM_LIMITTEXT, 0, 0);
        SetDlgItemTextA(dialog, 100, info->destination_folder.text ? info->destination_folder.text : "");
        update_next(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case 100:
            if (HIWORD(wparam) == EN_CHANGE || HIWORD(wparam) == EN_UPDATE)
                update_next(dialog);
            return TRUE;
        case 101:
            browse(dialog, info);
            return TRUE;
        case 1:
            take_folder(dialog, info);
            return TRUE;
        case 2:
        case 6:
            EndDialog(dialog, LOWORD(wparam));
            return TRUE;
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

// The progress dialog only shows: it ignores every command and close request.
static INT_PTR CALLBACK progress_proc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        Center(nullptr, dialog);
        return TRUE;
    case WM_COMMAND:
    case WM_CLOSE:
        return TRUE;
    }
    return FALSE;
}

// No message loop runs during the copy: the progress dialog and its
// controls are painted right away after each change.
static void refresh(HWND progress) {
    RedrawWindow(progress, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

static void create_links(SetupInfo* info) {
    for (unsigned int i = 0; i < info->links.count; i++) {
        LinkEntry* link = info->links.items[i];
        kString folder;
        if (!link || !folder_of(link->link_path.text, folder))
            continue;
        if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) {
            info->uninstall.AddDir(folder);
            if (!create_path(folder))
                continue;
        }
        if (CreateLink(link->target, link->link_path, link->description, link->arguments,
                       link->working_folder, link->target, link->icon_index) == 1)
            info->uninstall.AddFile(link->link_path);
    }
}

// A file hook's result; 0 when the script gave none.
static int call_file(FileHook hook, SetupInfo* info, FileEntry* file) {
    return hook ? hook(info, file->source, file->destination, info->hook_context) : 0;
}

// Places every file entry; below 0 when a hook or a failed file ends the stage.
static int copy_files(SetupInfo* info, HWND progress) {
    for (unsigned int i = 0; i < info->files.count; i++) {
        FileEntry* file = info->files.items[i];
        SetDlgItemTextA(progress, 101, file->destination.text ? file->destination.text : "");
        refresh(progress);
        int before = call_file(info->FileBefore, info, file);
        if (before < 0)
            return before;
        if (before == 0) {
            if (place_file(info, file)) {
                call_file(info->FileAfter, info, file);
            } else {
                if (!info->FileFailed)
                    return -1;
                int failed = call_file(info->FileFailed, info, file);
                if (failed < 0)
                    return failed;
            }
        }
        set_progress_position(GetDlgItem(progress, 100), i + 1, info->files.count + 1);
        refresh(progress);
        Sleep(100);
    }
    return 0;
}

static void write_values(SetupInfo* info) {
    for (unsigned int i = 0; i < info->keys.count; i++) {
        KeyEntry* entry = info->keys.items[i];
        kRegKey key;
        int created = 0;
        if (!key.open(entry->root, entry->subkey)) {
            if (!key.create(entry->root, entry->subkey))
                continue;
            created = 1;
        }
        if (entry->is_number)
            key.set(entry->value_name, entry->number);
        else
            key.set(entry->value_name, entry->text.text ? entry->text.text : (char*)"");
        // Every value is recorded as a value (an empty name: the key's
        // default value); only a key the install created is also recorded
        // whole. The uninstall must never take away a key the product did
        // not make.
        char* name = entry->value_name.text ? entry->value_name.text : (char*)"";
        info->uninstall.AddKey(entry->root, entry->subkey, name);
        if (created)
            info->uninstall.AddKey(entry->root, entry->subkey, nullptr);
    }
}

static int copy_stage(SetupInfo* info) {
    HWND parent = dialog_parent();
    info->dialog_instance = info->instance;
    info->dialog_proc = progress_proc;
    info->dialog_id = kProgressDialog;
    int result = call(info->BeforeCopy, info);
    if (result < 0)
        return result;
    if (result == 1 || result == 2)
        return 0;
    // The template's progress bar is a common control: its class exists
    // only once comctl32 is loaded, which this import makes sure of.
    InitCommonControls();
    HWND progress = CreateDialogParamA(info->dialog_instance, MAKEINTRESOURCEA(info->dialog_id), parent,
                                       info->dialog_proc, (LPARAM)info);
    if (!progress)
        return -1;
    ShowWindow(progress, SW_SHOW);
    refresh(progress);
    uninstall_support(info);
    set_progress_range(GetDlgItem(progress, 100), info->files.count + 1);
    set_progress_position(GetDlgItem(progress, 100), 0, info->files.count + 1);
    refresh(progress);
    Sleep(1000);
    create_links(info);
    result = copy_files(info, progress);
    if (result < 0) {
        DestroyWindow(progress);
        return result;
    }
    write_values(info);
    result = call(info->AfterCopy, info);
    DestroyWindow(progress);
    write_uninstall_record(info);
    return result;
}

static int install_sequence(SetupInfo* info) {
    int result;
    if (previous_version_present(info)) {
        result = replace_previous(info);
        if (result < 0)
            return result;
    } else {
        result = run_dialog(info, info->WelcomePre, info->WelcomePost, info->instance, generic_dialog_proc,
                            kWelcomeDialog);
        if (result < 0)
            return result;
        result = run_dialog(info, info->LicensePre, info->LicensePost, info->instance, license_proc,
                            kLicenseDialog);
        if (result < 0)
            return result;
    }
    result = run_dialog(info, info->PathPre, info->PathPost, info->instance, path_proc, kPathDialog);
    if (result < 0)
        return result;
    result = copy_stage(info);
    if (result < 0)
        return result;
    result = run_dialog(info, info->CompletePre, info->CompletePost, info->instance, generic_dialog_proc,
                        kCompleteDialog);
    return result < 0 ? result : 0;
}

int install_run(SetupInfo* info) {
    int result = call(info->InstallBegin, info);
    if (result < 0)
        return result;
    result = install_sequence(info);
    call(info->InstallEnd, info);
    return result;
}
