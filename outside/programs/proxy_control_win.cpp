// The main application's local proxy: started from the folder the install
// recorded, as the runtime kit's Launch_Proxy does, and ended with the
// application.
#include "proxy_control.h"
#include <stdio.h>
#include "names.h"
#include "settings.h"

static HANDLE proxy_process = nullptr;

int start_proxy() {
    char folder[260] = "";
    if (!read_setting_text(VANTREL_SETTINGS_KEY, "dtg_proxy_path", folder, sizeof folder) || folder[0] == 0)
        return 0;
    char command[260];
    int length = snprintf(command, sizeof command, "%s\\relay.exe", folder);
    if (length < 0 || length >= (int)sizeof command)
        return 0;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
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
