// Test helpers for registry state: values read and set in one call, and
// keys put back as they were when a test ends.
#pragma once
#include <windows.h>
#include <map>
#include <string>
#include "testkit.h"

namespace registry_state {

using testkit::key_exists;

typedef std::map<std::string, std::pair<DWORD, std::string>> Values;

// Every value of a key, with its type and bytes; empty when the key is missing.
inline Values values_of(HKEY root, const std::string& path) {
    Values values;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    std::string data(1 << 16, 0);
    for (DWORD i = 0;; i++) {
        char name[260];
        DWORD name_size = sizeof name, data_size = (DWORD)data.size(), type = 0;
        if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, (BYTE*)&data[0], &data_size) != ERROR_SUCCESS)
            break;
        values[name] = {type, data.substr(0, data_size)};
    }
    RegCloseKey(key);
    return values;
}

// The shallowest key of path (path itself included) that does not exist yet,
// or "" when path exists.
inline std::string first_missing(HKEY root, const std::string& path) {
    for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        std::string part = path.substr(0, end);
        if (!key_exists(root, part))
            return part;
        if (end == std::string::npos)
            return "";
    }
}

// A key's values put back as they were when the object goes. A key that did
// not exist is removed with everything below it, and so are the keys above
// it that had to be made for it. Subkeys of a key that existed stay.
class SavedKey {
public:
    SavedKey(HKEY root, const std::string& path)
        : root_(root), path_(path), missing_(first_missing(root, path)), values_(values_of(root, path)) {}
    ~SavedKey() {
        if (!missing_.empty()) {
            RegDeleteTreeA(root_, missing_.c_str());
            return;
        }
        HKEY key;
        if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        for (const auto& v : values_of(root_, path_))
            if (!values_.count(v.first))
                RegDeleteValueA(key, v.first.c_str());
        for (const auto& v : values_)
            RegSetValueExA(key, v.first.c_str(), 0, v.second.first, (const BYTE*)v.second.second.data(),
                           (DWORD)v.second.second.size());
        RegCloseKey(key);
    }
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

private:
    HKEY root_;
    std::string path_;
    std::string missing_;
    Values values_;
};

inline void set_text(HKEY root, const std::string& path, const char* name, const std::string& text) {
    RegSetKeyValueA(root, path.c_str(), name, REG_SZ, text.c_str(), (DWORD)text.size() + 1);
}

inline void set_number(HKEY root, const std::string& path, const char* name, DWORD number) {
    RegSetKeyValueA(root, path.c_str(), name, REG_DWORD, &number, sizeof number);
}

inline void remove_value(HKEY root, const std::string& path, const char* name) {
    RegDeleteKeyValueA(root, path.c_str(), name);
}

inline std::string text_of(HKEY root, const std::string& path, const char* name) {
    char data[4096];
    DWORD size = sizeof data;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return "(missing)";
    return data;
}

inline DWORD number_of(HKEY root, const std::string& path, const char* name) {
    DWORD number = 0xBDBDBDBD, size = sizeof number;
    RegGetValueA(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &number, &size);
    return number;
}

// Wine's version emulation for one program ("win95", "nt40", ...; "" for
// none), put back when the object goes. A Wine-only setting: on Windows the
// program sees the real system.
class EmulatedVersion {
public:
    EmulatedVersion(const std::string& program, const char* version)
        : key_("Software\\Wine\\AppDefaults\\" + program), saved_(HKEY_CURRENT_USER, key_) {
        if (version[0])
            set_text(HKEY_CURRENT_USER, key_, "Version", version);
        else
            remove_value(HKEY_CURRENT_USER, key_, "Version");
    }

private:
    std::string key_;
    SavedKey saved_;
};

}  // namespace registry_state
