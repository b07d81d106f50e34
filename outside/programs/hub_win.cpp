// hub.exe, the product's main application. Without an argument (or with
// "runstart", as the Run value starts it) it is the main application: it
// holds the application mutex, runs the local proxy, counts the install once
// (both through the runtime kit) and closes when the application event is
// set. "button" runs the button program, which closes on the button event;
// "settings" shows the settings window.
#include <windows.h>
#include <stdio.h>
#include "appwindow.h"
#include "names.h"
#include "prodkit.h"
#include "program_args.h"
#include "proxy_control.h"
#include "settings.h"

namespace {

int end_on_event(HANDLE, void*) {
    return 1;
}

// An auto-reset event, used up by the wait that answers it: the installer
// keeps its handle open after setting it (the event then outlives this
// copy) and starts the product again at the end of an install, and that
// copy must not find the old request still standing.
HANDLE create_close_event(const char* name) {
    return CreateEventA(nullptr, FALSE, FALSE, name);
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
        perform_registration();
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

const char* switch_text(const char* subkey, const char* name) {
    DWORD value = 0;
    if (!read_setting_number(subkey, name, &value))
        return "not set";
    return value ? "on" : "off";
}

// The cache's size on disk, measured by the runtime kit in the cache folder
// that the product records.
void cache_size_text(char* text, size_t size) {
    char cache[260] = "";
    if (!read_setting_text(VANTREL_PRODUCT_KEY, "cacheDir", cache, sizeof cache) || !cache[0]) {
        snprintf(text, size, "not recorded");
        return;
    }
    snprintf(text, size, "%lu bytes", Get_Current_Cache_Size(cache));
}

// The settings window: where the product is installed, the proxy's port,
// the two features a user most often switches and the cache's size.
int run_settings(HINSTANCE instance) {
    char folder[260] = "not recorded";
    read_setting_text(VANTREL_SETTINGS_KEY, "dtg_proxy_path", folder, sizeof folder);
    char port[16] = "not set";
    DWORD number = 0;
    if (read_setting_number(VANTREL_PRODUCT_KEY, "port", &number))
        snprintf(port, sizeof port, "%lu", (unsigned long)number);
    char cache[32];
    cache_size_text(cache, sizeof cache);
    char text[600];
    snprintf(text, sizeof text,
             "Installed in: %s\nProxy port: %s\nAggressive mode: %s\nPrefetching: %s\nCache size: %s", folder, port,
             switch_text(VANTREL_SETTINGS_KEY, "_aggr"), switch_text(VANTREL_PRODUCT_KEY, "prefetch"), cache);
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
