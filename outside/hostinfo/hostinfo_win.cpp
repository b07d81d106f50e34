// hostinfo.dll: the host system's family, version and language, its default
// browser, and the network settings and browser proxies the product changes.
#define HOSTINFO_BUILD
#include "hostinfo.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "hostkey_win.h"
#include "hostrules.h"
#include "netparams.h"

namespace {

const char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kModemClass[] = "System\\CurrentControlSet\\Services\\Class\\Modem";
const char kFallbackBrowser[] = "explorer.exe";
const unsigned kCommandSize = 260;
const DWORD kDefaultProxyPort = 24491;

int read_version(OSVERSIONINFOA* version) {
    memset(version, 0, sizeof *version);
    version->dwOSVersionInfoSize = sizeof *version;
    return GetVersionExA(version) != 0;
}

int win95_family() {
    OSVERSIONINFOA version;
    return read_version(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The browser command of a class's registered open command ("http", or the
// class of ".htm" pages); 0 and command untouched when there is none.
int class_browser(const char* class_name, char* command) {
    char path[300];
    if (snprintf(path, sizeof path, "%s\\shell\\open\\command", class_name) >= (int)sizeof path)
        return 0;
    HostKey key;
    TextValue registered;
    return key.open(HKEY_CLASSES_ROOT, path, KEY_QUERY_VALUE) && registered.read(key.handle(), nullptr) &&
           browser_command(registered.text(), command, kCommandSize);
}

int page_class_browser(char* command) {
    HostKey key;
    TextValue page_class;
    return key.open(HKEY_CLASSES_ROOT, ".htm", KEY_QUERY_VALUE) && page_class.read(key.handle(), nullptr) &&
           page_class.text()[0] && class_browser(page_class.text(), command);
}

DWORD product_port() {
    DWORD port = kDefaultProxyPort;
    HostKey key;
    if (key.open(HKEY_LOCAL_MACHINE, HOSTINFO_PRODUCT_KEY, KEY_QUERY_VALUE))
        key.number("port", &port);
    return port;
}

int apply_tuning(const NetTuning& tuning) {
    // The tuning is recorded only once the system holds it.
    return write_system_params(win95_family(), tuning) && record_params(HOSTINFO_SETTINGS_KEY, "d_", tuning);
}

// Turns the log of one modem off; 1 when it was on and is off now.
int modem_log_off(HKEY modems, const char* name) {
    HostKey modem;
    if (!modem.open(modems, name, KEY_QUERY_VALUE | KEY_SET_VALUE))
        return 0;
    BYTE logging[4] = {};
    DWORD size = sizeof logging, type = 0;
    if (RegQueryValueExA(modem.handle(), "Logging", nullptr, &type, logging, &size) != ERROR_SUCCESS || size == 0 ||
        (type != REG_BINARY && type != REG_DWORD))
        return 0;
    BYTE off[4] = {};
    if (memcmp(logging, off, size) == 0)
        return 0;
    // The same type and length as the modem's driver wrote it.
    return RegSetValueExA(modem.handle(), "Logging", 0, type, off, size) == ERROR_SUCCESS;
}

// One line on standard output for each change the script asks of the
// system, so that whoever runs the installer can see the order of calls.
void trace(const char* call, int argument = -1) {
    if (argument >= 0)
        printf("hostinfo: %s(%d)\n", call, argument);
    else
        printf("hostinfo: %s()\n", call);
    fflush(stdout);
}

}  // namespace

extern "C" {

int is_this_win95(void) {
    return win95_family() ? 1 : 0;
}

int is_this_a_valid_win32(void) {
    OSVERSIONINFOA version;
    return read_version(&version) &&
           (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS || version.dwPlatformId == VER_PLATFORM_WIN32_NT);
}

int is_this_service_pack_3(void) {
    OSVERSIONINFOA version;
    return read_version(&version) &&
           has_needed_service_pack((int)version.dwPlatformId, version.dwMajorVersion, version.szCSDVersion);
}

int is_this_japan(void) {
    return PRIMARYLANGID(GetSystemDefaultLangID()) == LANG_JAPANESE ? 1 : 0;
}

int find_default_browser(char* command) {
    if (!command)
        return 0;
    if (class_browser("http", command) || page_class_browser(command))
        return 1;
    // No usable registration: the shell opens the address itself.
    memcpy(command, kFallbackBrowser, sizeof kFallbackBrowser);
    return 0;
}

int save_original(void) {
    trace("save_original");
    NetTuning original;
    read_system_params(win95_family(), &original);
    return record_params(HOSTINFO_SETTINGS_KEY, "o_", original);
}

int set_lan_mtu(int mtu) {
    trace("set_lan_mtu", mtu);
    NetTuning tuning;
    return mtu >= 0 && lan_tuning((unsigned long)mtu, &tuning) && apply_tuning(tuning);
}

int set_modem_mtu(int mtu) {
    trace("set_modem_mtu", mtu);
    NetTuning tuning;
    return mtu >= 0 && modem_tuning((unsigned long)mtu, &tuning) && apply_tuning(tuning);
}

int restore_original(void) {
    trace("restore_original");
    NetTuning original;
    return recorded_params(HOSTINFO_SETTINGS_KEY, "o_", &original) && write_system_params(win95_family(), original);
}

int uninstall_browser_proxies(void) {
    trace("uninstall_browser_proxies");
    HostKey key;
    TextValue list;
    if (!key.open(HKEY_CURRENT_USER, kInternetSettings, KEY_QUERY_VALUE | KEY_SET_VALUE) ||
        !list.read(key.handle(), "ProxyServer"))
        return 0;
    char machine[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD machine_size = sizeof machine;
    if (!GetComputerNameA(machine, &machine_size))
        machine[0] = 0;
    size_t size = strlen(list.text()) + 1;
    char* rest = (char*)malloc(size);
    int removed =
        rest ? remove_local_proxy(list.text(), product_port(), machine[0] ? machine : nullptr, rest, (unsigned)size)
             : 0;
    if (removed > 0 && rest[0]) {
        key.set_text("ProxyServer", rest);
    } else if (removed > 0) {
        // Nothing else was set: the browser goes straight out again.
        key.remove("ProxyServer");
        key.set_number("ProxyEnable", 0);
    }
    free(rest);
    return removed > 0;
}

int disable_modem_logging(void) {
    trace("disable_modem_logging");
    HostKey modems;
    if (!win95_family() || !modems.open(HKEY_LOCAL_MACHINE, kModemClass, KEY_ENUMERATE_SUB_KEYS))
        return 0;
    int changed = 0;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(modems.handle(), i, name, sizeof name) == ERROR_SUCCESS; i++)
        changed += modem_log_off(modems.handle(), name);
    return changed;
}

}  // extern "C"
