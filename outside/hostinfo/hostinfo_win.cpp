// hostinfo.dll: the host system's family, version and language, its default
// browser, and the network settings and browser proxies the product changes.
#define HOSTINFO_BUILD
#include "hostinfo.h"
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "hostrules.h"
#include "netparams.h"

namespace {

const char kProductKey[] = "Software\\Halvern Dynamics Limited\\Vantrel";
const char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kModemClass[] = "System\\CurrentControlSet\\Services\\Class\\Modem";
const unsigned kDefaultProxyPort = 24491;

int read_version(OSVERSIONINFOA* version) {
    memset(version, 0, sizeof *version);
    version->dwOSVersionInfoSize = sizeof *version;
    return GetVersionExA(version) != 0;
}

int win95_family() {
    OSVERSIONINFOA version;
    return read_version(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The program part of a registered open command: a quoted path with its
// quotes, else everything up to the end of ".exe", else up to the first
// blank. 0 when it does not fit out (size bytes).
int program_part(const char* command, char* out, size_t size) {
    const char* end;
    if (command[0] == '"') {
        end = strchr(command + 1, '"');
        end = end ? end + 1 : command + strlen(command);
    } else {
        end = nullptr;
        for (const char* at = command; *at && !end; at++)
            if (_strnicmp(at, ".exe", 4) == 0)
                end = at + 4;
        if (!end) {
            end = strchr(command, ' ');
            end = end ? end : command + strlen(command);
        }
    }
    size_t length = end - command;
    if (length == 0 || length >= size)
        return 0;
    memcpy(out, command, length);
    out[length] = 0;
    return 1;
}

int apply_tuning(const NetTuning& tuning) {
    int family = win95_family();
    return write_system_params(family, tuning) & record_params(VANTREL_SETTINGS_KEY, "d_", tuning);
}

unsigned product_port() {
    DWORD port = kDefaultProxyPort, size = sizeof port, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExA(key, "port", nullptr, &type, (BYTE*)&port, &size) != ERROR_SUCCESS || type != REG_DWORD)
            port = kDefaultProxyPort;
        RegCloseKey(key);
    }
    return port;
}

}  // namespace

extern "C" {

int is_this_win95(void) {
    return win95_family() ? 1 : 0;
}

int is_this_a_valid_win32(void) {
    OSVERSIONINFOA version;
    return read_version(&version) && version.dwPlatformId != VER_PLATFORM_WIN32s;
}

int is_this_service_pack_3(void) {
    OSVERSIONINFOA version;
    if (!read_version(&version))
        return 0;
    return has_needed_service_pack((int)version.dwPlatformId, version.dwMajorVersion, version.szCSDVersion);
}

int is_this_japan(void) {
    return PRIMARYLANGID(GetSystemDefaultLangID()) == LANG_JAPANESE;
}

int find_default_browser(char* command) {
    if (!command)
        return 0;
    char registered[1024];
    LONG size = sizeof registered;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", registered, &size) == ERROR_SUCCESS &&
        size > 0 && size <= (LONG)sizeof registered) {
        registered[size - 1] = 0;
        if (program_part(registered, command, 260))
            return 1;
    }
    // No usable registration: the shell's own browser, found by the system.
    lstrcpynA(command, "explorer.exe", 260);
    return 0;
}

int save_original(void) {
    NetTuning original;
    read_system_params(win95_family(), &original);
    return record_params(VANTREL_SETTINGS_KEY, "o_", original);
}

int set_lan_mtu(int mtu) {
    return apply_tuning(lan_tuning(mtu > 0 ? (unsigned long)mtu : 0));
}

int set_modem_mtu(int mtu) {
    return apply_tuning(modem_tuning(mtu > 0 ? (unsigned long)mtu : 0));
}

int restore_original(void) {
    NetTuning original;
    if (!recorded_params(VANTREL_SETTINGS_KEY, "o_", &original))
        return 0;
    return write_system_params(win95_family(), original);
}

int uninstall_browser_proxies(void) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    char list[1024], rest[1024];
    DWORD size = sizeof list - 1, type = 0;
    int removed = 0;
    if (RegQueryValueExA(key, "ProxyServer", nullptr, &type, (BYTE*)list, &size) == ERROR_SUCCESS && type == REG_SZ) {
        list[size] = 0;
        removed = remove_local_proxy(list, product_port(), rest, sizeof rest);
        if (removed > 0 && rest[0]) {
            RegSetValueExA(key, "ProxyServer", 0, REG_SZ, (const BYTE*)rest, (DWORD)strlen(rest) + 1);
        } else if (removed > 0) {
            // Nothing else was set: the browser goes straight out again.
            RegDeleteValueA(key, "ProxyServer");
            DWORD off = 0;
            RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, (const BYTE*)&off, sizeof off);
        }
    }
    RegCloseKey(key);
    return removed > 0;
}

int disable_modem_logging(void) {
    if (!win95_family())
        return 0;
    HKEY modems;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kModemClass, 0, KEY_ALL_ACCESS, &modems) != ERROR_SUCCESS)
        return 0;
    int changed = 0;
    char name[260];
    for (DWORD i = 0; RegEnumKeyA(modems, i, name, sizeof name) == ERROR_SUCCESS; i++) {
        HKEY modem;
        if (RegOpenKeyExA(modems, name, 0, KEY_ALL_ACCESS, &modem) != ERROR_SUCCESS)
            continue;
        // The modem's "Logging" flag is one byte; 0 turns the log off.
        BYTE off = 0;
        changed += RegSetValueExA(modem, "Logging", 0, REG_BINARY, &off, 1) == ERROR_SUCCESS;
        RegCloseKey(modem);
    }
    RegCloseKey(modems);
    return changed;
}

}  // extern "C"
