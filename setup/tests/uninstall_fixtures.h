// Shared by the uninstall tests: registry probes and a private key tree.
#pragma once
#include <windows.h>
#include <map>
#include <string>

// Every key the uninstall tests make lives under these and goes with them.
const char kTestKey[] = "Software\\VantrelTests";

inline bool make_key(HKEY root, const std::string& path) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

inline bool set_text(HKEY root, const std::string& path, const std::string& name, const std::string& text) {
    return RegSetKeyValueA(root, path.c_str(), name.c_str(), REG_SZ, text.c_str(), (DWORD)text.size() + 1) ==
           ERROR_SUCCESS;
}

inline bool value_exists(HKEY root, const std::string& path, const std::string& name) {
    return RegGetValueA(root, path.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Every string value of a key, by name (so in name order).
inline std::map<std::string, std::string> text_values(HKEY root, const std::string& path) {
    std::map<std::string, std::string> values;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; i++) {
        char name[300], data[2048];
        DWORD name_size = sizeof name, data_size = sizeof data - 1;
        if (RegEnumValueA(key, i, name, &name_size, nullptr, nullptr, (BYTE*)data, &data_size) != ERROR_SUCCESS)
            break;
        data[data_size] = 0;
        values[name] = data;
    }
    RegCloseKey(key);
    return values;
}

inline void remove_test_keys() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
}
