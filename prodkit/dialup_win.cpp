// Dial-up networking: whether it is installed, and starting the system's
// dialer for the connection chosen for the Internet.
#include <string.h>
#include "kit_win.h"
#include "kit_internal.h"

static int platform_is_win9x() {
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;  // 148
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The Windows 95 family's connection for the Internet: HKCU RemoteAccess
// "InternetProfile", else "Default". A value with no bytes counts as absent;
// an empty text is a connection with an empty name. 1 when one was found.
static int chosen_connection(char* name) {
    kRegKey remote_access;
    if (!open_to_read(remote_access, HKEY_CURRENT_USER, "RemoteAccess"))
        return 0;
    return read_text(remote_access, "InternetProfile", name, kKitPath) ||
           read_text(remote_access, "Default", name, kKitPath);
}

// "%s\\%s" of the system folder and file.
static int in_system_folder(char* path, const char* file) {
    char folder[kKitPath];
    UINT n = GetSystemDirectoryA(folder, sizeof folder);
    return n && n < sizeof folder && join_kit_path(path, folder, file);
}

static int file_exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int is_dial_up_installed() {
    char path[kKitPath];
    if (platform_is_win9x()) {
        char connection[kKitPath];
        if (!chosen_connection(connection))
            return 0;
        return in_system_folder(path, "rnaui.dll") && file_exists(path);
    }
    return in_system_folder(path, "rasphone.exe") && file_exists(path);
}

// "%s\\rundll32.exe %s\\rnaui.dll,RnaDial %s" of the Windows folder, the
// system folder and the connection, unquoted. 0 when it does not fit.
static int rnadial_command(char* command_line, const char* connection) {
    char windows[kKitPath], system[kKitPath];
    UINT w = GetWindowsDirectoryA(windows, sizeof windows);
    UINT s = GetSystemDirectoryA(system, sizeof system);
    if (!w || w >= sizeof windows || !s || s >= sizeof system)
        return 0;
    int n = _snprintf(command_line, kKitPath, "%s\\rundll32.exe %s\\rnaui.dll,RnaDial %s", windows, system,
                      connection);
    return n >= 0 && n < kKitPath;
}

int call_dial_up() {
    char command_line[kKitPath];
    if (platform_is_win9x()) {
        char connection[kKitPath];
        if (!chosen_connection(connection) || !rnadial_command(command_line, connection))
            return 0;
    } else if (!in_system_folder(command_line, "rasphone.exe")) {
        return 0;
    }
    // Nobody waits for the dialer.
    HANDLE dialer = run_program(command_line);
    if (dialer)
        CloseHandle(dialer);
    return 1;
}

int check_timeout() {
    return 1;
}
