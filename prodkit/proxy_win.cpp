// Starting any program, and starting and ending the product's local proxy.
#include <stdio.h>
#include <string.h>
#include "kit_win.h"
#include "kit_internal.h"

// The proxy started by the last Launch_Proxy that got as far as a command
// line; INVALID_HANDLE_VALUE while none is kept (which TerminateProcess
// would take for this very process, so it is never passed there).
static HANDLE proxy_process = INVALID_HANDLE_VALUE;

void* run_program(char* command_line) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!command_line || !CreateProcessA(nullptr, command_line, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                         &startup, &process))
        return nullptr;
    // Nobody uses the primary thread's handle.
    CloseHandle(process.hThread);
    return process.hProcess;
}

void* Launch_Proxy(char* alternative) {
    kRegKey settings;
    if (!open_to_read(settings, HKEY_LOCAL_MACHINE, KIT_SETTINGS_KEY))
        return nullptr;
    char folder[kKitPath];
    int found = read_text(settings, "dtg_proxy_path", folder, sizeof folder);
    settings.close();
    if (!found || !folder[0])
        return nullptr;
    char program[kKitPath];
    if (!join_kit_path(program, folder, alternative ? "relay alt.exe" : "relay.exe"))
        return nullptr;
    // Quoted: Windows reads an unquoted path with blanks as its shorter
    // prefixes first, and "...\relay alt.exe" would start relay.exe with the
    // argument "alt.exe" (or C:\Program.exe before either).
    char command_line[kKitPath + 2];
    sprintf(command_line, "\"%s\"", program);
    proxy_process = run_program(command_line);
    return proxy_process;
}

int Forcefully_Kill_Proxy() {
    if (proxy_process != INVALID_HANDLE_VALUE && proxy_process) {
        TerminateProcess(proxy_process, 0);
        CloseHandle(proxy_process);
    }
    // The handle is closed: a second call must not reach whatever object
    // the system gives that handle value next.
    proxy_process = INVALID_HANDLE_VALUE;
    return 1;
}
