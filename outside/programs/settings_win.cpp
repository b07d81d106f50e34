// The product's settings as its programs read them.
#include "settings.h"

int read_setting_text(const char* subkey, const char* name, char* text, DWORD size) {
    HKEY key;
    if (size == 0 || RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    char value[260] = "";
    DWORD length = sizeof value - 1;  // a stored text need not end in a zero
    DWORD type = 0;
    LONG read = RegQueryValueExA(key, name, nullptr, &type, (BYTE*)value, &length);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ)
        return 0;
    lstrcpynA(text, value, size);
    return 1;
}

int read_setting_number(const char* subkey, const char* name, DWORD* number) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD value = 0;
    DWORD length = sizeof value;
    DWORD type = 0;
    LONG read = RegQueryValueExA(key, name, nullptr, &type, (BYTE*)&value, &length);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_DWORD)
        return 0;
    *number = value;
    return 1;
}
