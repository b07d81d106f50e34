// The main application's local proxy: started from the folder the install
// recorded, as the runtime kit's Launch_Proxy does, and ended with the
// application.
#include "proxy_control.h"
#include <stdio.h>
#include "names.h"

static HANDLE proxy_process = nullptr;

int start_proxy() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    char folder[260] = "";
    DWORD size = sizeof folder - 1;
    DWORD type = 0;
    LONG read = RegQueryValueExA(key, "dtg_proxy_path", nullptr, &type, (BYTE*)folder, &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ || folder[0] == 0)
        return 0;
    char command[260];
    int length = snprintf(command, sizeof command, "%s\\relay.exe", folder);
    if (length < 0 || length >= (int)sizeof command)
        return 0;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    proxy_process = process.hProcess;
    return 1;
}

void stop_proxy() {
    if (!proxy_process)
        return;
    TerminateProcess(proxy_process, 0);
    // The proxy's mutex goes with its process: wait so that whoever waits
    // for the proxy's end sees it gone once the application has ended.
    WaitForSingleObject(proxy_process, 10000);
    CloseHandle(proxy_process);
    proxy_process = nullptr;
}
