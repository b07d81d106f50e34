// hub.exe, the product's main application. Without an argument (or with
// "runstart", as the Run value starts it) it is the main application: it
// holds the application mutex, runs the local proxy and closes when the
// application event is set. "button" runs the button program, which closes
// on the button event; "settings" shows the settings window.
#include <windows.h>
#include <stdio.h>
#include "appwindow.h"
#include "names.h"
#include "program_args.h"
#include "proxy_control.h"

namespace {

int end_on_event(HANDLE, void*) {
    return 1;
}

// A manual-reset event: the installer sets it and later resets it, so a
// restarted application does not close at once.
HANDLE create_close_event(const char* name) {
    return CreateEventA(nullptr, TRUE, FALSE, name);
}

int run_main_application(HINSTANCE instance) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, VANTREL_APP_MUTEX);
    if (!mutex)
        return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another copy runs already; it keeps the product's objects.
        CloseHandle(mutex);
        return 0;
    }
    HANDLE event = create_close_event(VANTREL_APP_EVENT);
    int code = 1;
    if (event) {
        start_proxy();
        AppWindow window;
        if (window.open(instance, "Vantrel", "Vantrel is accelerating your browsing."))
            code = window.run(event, end_on_event, nullptr);
        stop_proxy();
        CloseHandle(event);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return code;
}

int run_button(HINSTANCE instance) {
    HANDLE event = create_close_event(VANTREL_BUTTON_EVENT);
    if (!event)
        return 1;
    AppWindow window;
    int code = 1;
    if (window.open(instance, "Vantrel Button", "Vantrel"))
        code = window.run(event, end_on_event, nullptr);
    CloseHandle(event);
    return code;
}

int run_settings(HINSTANCE instance) {
    char folder[260] = "";
    DWORD size = sizeof folder - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, "dtg_proxy_path", nullptr, nullptr, (BYTE*)folder, &size);
        RegCloseKey(key);
    }
    char text[320];
    snprintf(text, sizeof text, "Installed in: %s", folder[0] ? folder : "(not recorded)");
    AppWindow window;
    if (!window.open(instance, "Vantrel Settings", text, 2))
        return 1;
    return window.run(nullptr, nullptr, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const char* command_line = GetCommandLineA();
    if (started_with(command_line, "button"))
        return run_button(instance);
    if (started_with(command_line, "settings"))
        return run_settings(instance);
    return run_main_application(instance);
}
