// The script's part in removing the product: the offer to keep it with its
// aggressive mode or prefetching switched off, then stopping it and taking
// away what the engine's uninstall record does not cover.
#include <stdio.h>
#include <string.h>
#include "hostinfo.h"
#include "kregkey.h"
#include "script.h"
#include "window.h"

namespace {

const int kKeepDialog = 5014;
const int kProgressDialog = 5011;
const int kCacheDialog = 5007;
const int kAggressiveBox = 110, kAggressiveHelp = 111, kPrefetchBox = 112, kPrefetchHelp = 113;
const int kGoOn = 1, kKeep = 2;
const int kKeepCache = 1, kDeleteCache = 2;

// A number of key below HKEY_LOCAL_MACHINE; 0 when the key or value is missing.
unsigned long read_number(const char* subkey, const char* name) {
    kRegKey key;
    unsigned long value = 0;
    if (!key.open(HKEY_LOCAL_MACHINE, (char*)subkey) || !key.get((char*)name, &value))
        return 0;
    return value;
}

void write_number(const char* subkey, const char* name, unsigned long value) {
    kRegKey key;
    if (key.open(HKEY_LOCAL_MACHINE, (char*)subkey))
        key.set((char*)name, value);
}

// Starts command as a new process that inherits handles; 1 when it started.
int start(const char* command) {
    char line[1024];
    if (snprintf(line, sizeof line, "%s", command) >= (int)sizeof line)
        return 0;
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

// Opens a help page of the installed product in the default browser.
void show_help(const char* page) {
    char folder[260], browser[260], command[1024];
    if (!read_text(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY, "dtg_proxy_path", folder))
        return;
    memset(browser, 0, sizeof browser);
    find_default_browser(browser);
    if (snprintf(command, sizeof command, "%s file://%s\\help\\%s", browser, folder, page) < (int)sizeof command)
        start(command);
}

INT_PTR CALLBACK keep_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        Center(nullptr, dialog);
        keep_aggressive = 1;
        keep_prefetch = 1;
        if (read_number(VANTREL_SETTINGS_KEY, "_aggr") == 0) {
            CheckDlgButton(dialog, kAggressiveBox, BST_CHECKED);
            keep_aggressive = 0;
        }
        if (read_number(VANTREL_PRODUCT_KEY, "prefetch") == 0) {
            CheckDlgButton(dialog, kPrefetchBox, BST_CHECKED);
            keep_prefetch = 0;
        }
        return TRUE;
    }
    if (message == WM_CLOSE) {
        EndDialog(dialog, kKeep);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wparam)) {
    case kGoOn:
        EndDialog(dialog, kGoOn);
        break;
    case kKeep:
        if (IsDlgButtonChecked(dialog, kPrefetchBox) == BST_CHECKED)
            keep_prefetch = 0;
        if (IsDlgButtonChecked(dialog, kAggressiveBox) == BST_CHECKED)
            keep_aggressive = 0;
        EndDialog(dialog, kKeep);
        break;
    case kAggressiveHelp:
        show_help("showver.htm");
        break;
    case kPrefetchHelp:
        show_help("prefetch.htm");
        break;
    }
    return TRUE;
}

// Shown while the product's programs end: nothing the user does closes it.
INT_PTR CALLBACK progress_proc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        Center(nullptr, dialog);
        return FALSE;
    }
    return message == WM_CLOSE || message == WM_COMMAND;
}

INT_PTR CALLBACK cache_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        Center(nullptr, dialog);
        return TRUE;
    }
    if (message == WM_CLOSE) {
        EndDialog(dialog, kDeleteCache);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wparam) == kKeepCache || LOWORD(wparam) == kDeleteCache)) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    }
    return FALSE;
}

void close_app_event() {
    if (app_event == INVALID_HANDLE_VALUE)
        return;
    ResetEvent(app_event);
    CloseHandle(app_event);
    app_event = INVALID_HANDLE_VALUE;
}

int exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// 1 when the product key names a cache folder that holds "cache_data".
int cache_present() {
    char folder[260], marker[260];
    return read_text(HKEY_LOCAL_MACHINE, VANTREL_PRODUCT_KEY, "cacheDir", folder) && exists(folder) &&
           join(marker, folder, "cache_data") && exists(marker);
}

void delete_with_retries(const char* path) {
    for (int attempt = 0; attempt < 3; attempt++) {
        if (DeleteFileA(path))
            return;
        if (attempt < 2)
            Sleep(2000);
    }
}

// Deletes every file below folder. Emptied subfolders are removed too, so
// that the cache folder itself can go afterwards. A link (reparse point) is
// removed itself, whatever it shows, and never followed.
void delete_tree(const char* folder) {
    char pattern[260];
    if (!join(pattern, folder, "*.*"))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        char path[260];
        int directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!join(path, folder, found.cFileName))
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            if (directory)
                RemoveDirectoryA(path);
            else
                DeleteFileA(path);
        } else if (!directory) {
            delete_with_retries(path);
        } else if (found.cFileName[0] != '.') {
            delete_tree(path);
            RemoveDirectoryA(path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void remove_cache(int answer, SetupInfo* info) {
    Sleep(3000);
    char folder[260];
    // A folder that is refused as a cache is left untouched, error pages
    // included: they may be the user's own files.
    if (!read_text(HKEY_LOCAL_MACHINE, VANTREL_PRODUCT_KEY, "cacheDir", folder) || !folder[0] ||
        !cache_tree_deletable(folder, info))
        return;
    if (answer == kDeleteCache) {
        delete_tree(folder);
        RemoveDirectoryA(folder);
        return;
    }
    static const char* const kErrorPages[] = {"err1.html", "err2.html", "err3.html", "err4.html"};
    for (const char* page : kErrorPages) {
        char path[260];
        if (join(path, folder, page))
            DeleteFileA(path);
    }
}

// Removes the product's Start-menu folders: below every user's Programs
// folder on the Windows 95 family, below the common one on NT.
void remove_start_menu_folders(SetupInfo* info) {
    char name[260];
    load_text(1120, name, "Vantrel");
    if (is_this_win95() == 1) {
        for_each_programs_folder(remove_named_folder, name);
        // The install named the folders after the product: a language
        // library whose folder text differs would leave them behind.
        if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, name, -1, text_of(info->product_name), -1) !=
            CSTR_EQUAL)
            for_each_programs_folder(remove_named_folder, (void*)text_of(info->product_name));
        return;
    }
    char common[260], folder[260];
    if (read_text(HKEY_LOCAL_MACHINE, SHELL_FOLDERS_KEY, "Common Programs", common) &&
        join(folder, common, text_of(info->product_name)))
        remove_link_folder(folder);
}

void delete_value(const char* subkey, const char* name) {
    kRegKey key;
    if (key.open(HKEY_LOCAL_MACHINE, (char*)subkey))
        RegDeleteValueA(key, name);
}

void start_main_application(SetupInfo* info) {
    char hub[260];
    if (join(hub, text_of(info->destination_folder), "hub.exe"))
        start(hub);
}

// Ends the stage with the product kept: the splash hidden and the language
// library let go now (the engine calls no UninstallEnd after -2), so that
// its unpacked copy can be deleted when setup exits.
int end_with_product_kept() {
    Splash(0, nullptr);
    if (language_module)
        FreeLibrary(language_module);
    language_module = nullptr;
    return -2;
}

// Stops the product, hides the splash and switches the features off as
// the user asked; starts the product again when it ran. A user who stops
// waiting for a program that does not end keeps the settings unchanged:
// they are not changed under a running copy.
void keep_product(SetupInfo* info) {
    int was_running = main_application_running();
    int stopped = 1;
    if (was_running) {
        send_shutdown_signal();
        stopped = wait_for_proxy_end() && wait_for_main_application_end();
        close_app_event();
    }
    Splash(0, nullptr);
    Sleep(1000);
    if (stopped && !keep_aggressive)
        write_number(VANTREL_SETTINGS_KEY, "_aggr", 0);
    if (stopped && !keep_prefetch)
        write_number(VANTREL_PRODUCT_KEY, "prefetch", 0);
    if (was_running && !main_application_running())
        start_main_application(info);
}

}  // namespace

int __stdcall VerifyUninstallPre(SetupInfo* info, unsigned long) {
    info->dialog_instance = language_module;
    if (read_number(VANTREL_MARKER_KEY, "_wrpf") != 0)
        return 0;
    if (read_number(VANTREL_SETTINGS_KEY, "_aggr") + read_number(VANTREL_PRODUCT_KEY, "prefetch") == 0)
        return 0;
    if (DialogBoxParamA(language_module, MAKEINTRESOURCEA(kKeepDialog), script_splash, keep_proc, 0) != kKeep)
        return 0;
    keep_product(info);
    return end_with_product_kept();
}

// The product is stopped before anything is removed: a user who stops
// waiting for a program that does not end keeps the product as it was.
int __stdcall VerifyUninstallPost(SetupInfo* info, unsigned long) {
    int was_running = main_application_running();
    send_shutdown_signal();
    HWND progress = CreateDialogParamA(language_module, MAKEINTRESOURCEA(kProgressDialog), script_splash,
                                       progress_proc, 0);
    if (!progress)
        return -1;
    // Painted once now, with its texts: the waits below handle no messages.
    RedrawWindow(progress, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (!wait_for_proxy_end()) {
        DestroyWindow(progress);
        close_app_event();
        if (was_running && !main_application_running())
            start_main_application(info);
        return end_with_product_kept();
    }
    close_app_event();
    Sleep(250);
    if (stop_dde_process() == 0) {
        Sleep(5000);
        stop_dde_process();
    }

    char tuning_entry[260];
    snprintf(tuning_entry, sizeof tuning_entry, "fn_%s", text_of(info->product_name));
    delete_value(RUNONCE_KEY, tuning_entry);
    remove_start_menu_folders(info);
    uninstall_browser_proxies();
    disable_modem_logging();
    delete_value(STARTUP_KEY, "Vantrel");
    delete_value(STARTUP_KEY, "ddeproc");
    DestroyWindow(progress);

    if (cache_present())
        remove_cache((int)DialogBoxParamA(language_module, MAKEINTRESOURCEA(kCacheDialog), script_splash,
                                          cache_proc, 0),
                     info);
    Sleep(3000);
    if (is_this_win95() == 1)
        restore_original();
    char tul[260];
    if (join(tul, text_of(info->destination_folder), "tul.dat"))
        DeleteFileA(tul);
    kRegKey company;
    if (company.open(HKEY_LOCAL_MACHINE, (char*)VANTREL_COMPANY_KEY))
        company.set((char*)"_ktdp", (char*)text_of(info->destination_folder));
    return 0;
}
