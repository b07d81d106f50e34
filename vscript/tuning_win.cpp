// Network tuning: the network helper's probe before anything is installed,
// and at the end of the copy stage the saved settings, the helper in the
// Windows folder, the MTU and its run at the next Windows start.
#include <initializer_list>
#include <stdio.h>
#include "hostinfo.h"
#include "kregkey.h"
#include "script.h"

int run_tuning_probe(const char* tag, const char* folder) {
    char command[1024];
    if (snprintf(command, sizeof command, "%s\\hdlutil.exe \"%s\" \"%s\" 0", folder, tag, folder) >=
        (int)sizeof command)
        return 0;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code;
    int read = GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return read && code != 0xFFFFFFFF;
}

int __stdcall AfterCopy(SetupInfo* info, unsigned long) {
    save_original();
    char windows[260];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length > 0 && length < sizeof windows) {
        for (const char* name : {"hdlutil.exe", "hdlutil.dll"}) {
            char from[260], to[260];
            if (join(from, text_of(info->source_folder), name) && join(to, windows, name))
                CopyFileA(from, to, FALSE);
        }
    }
    if (tune_network == 1) {
        if (lan_connection == 1)
            set_lan_mtu(0);
        else
            set_modem_mtu(0);
    }
    return 0;
}

int __stdcall CompletePre(SetupInfo* info, unsigned long) {
    info->dialog_instance = language_module;
    // Only a copy stage that wrote the registry values and the uninstall
    // record leads here.
    forget_replaced_settings();
    kRegKey settings;
    if (settings.open(HKEY_LOCAL_MACHINE, (char*)VANTREL_SETTINGS_KEY)) {
        settings.set((char*)"setsp", 1ul);
        settings.set((char*)"ressp", 1ul);
        settings.close();
    }
    kRegKey run_once;
    char windows[260];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (run_once.open(HKEY_LOCAL_MACHINE, (char*)RUNONCE_KEY) && length > 0 && length < sizeof windows) {
        char name[300], command[1024];
        snprintf(name, sizeof name, "fn_%s", text_of(info->product_name));
        snprintf(command, sizeof command, "%s\\hdlutil.exe \"%s\" \"%s\" 4", windows, BUILD_TAG,
                 text_of(info->product_name));
        run_once.set(name, command);
    }
    // SizeGoal keeps its install default: the stored value of a one-byte
    // block without data is not relied on by anything.
    if (settings.open(HKEY_LOCAL_MACHINE, (char*)VANTREL_SETTINGS_KEY)) {
        unsigned char x[4] = {44, 1, 0, 0}, y[4] = {200, 0, 0, 0};
        settings.set((char*)"dtgp_x", (void*)x, 4);
        settings.set((char*)"dtgp_y", (void*)y, 4);
    }
    char hub[260];
    if (join(hub, text_of(info->destination_folder), "hub.exe")) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        if (CreateProcessA(nullptr, hub, nullptr, nullptr, FALSE,
                           CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                           &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    return 1;
}
