// The renames and deletions waiting for the next start of Windows.
#include "renames_win.h"
#include <windows.h>
#include <string.h>
#include "machine_win.h"

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
const char kSection[] = "rename";

std::string wininit() {
    return windows_folder() + "\\wininit.ini";
}

std::vector<PendingRename> read_nt_renames() {
    std::vector<PendingRename> renames;
    static char data[65536];
    DWORD size = sizeof data - 2;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return renames;
    data[size] = data[size + 1] = 0;
    for (const char* at = data; at < data + size && *at;) {
        PendingRename rename;
        rename.from = at;
        at += rename.from.size() + 1;
        rename.to = at;
        at += rename.to.size() + 1;
        renames.push_back(rename);
    }
    return renames;
}

std::vector<PendingRename> read_wininit_renames() {
    std::vector<PendingRename> renames;
    static char section[32768];
    DWORD n = GetPrivateProfileSectionA(kSection, section, sizeof section, wininit().c_str());
    for (const char* line = section; line < section + n && *line; line += strlen(line) + 1) {
        const char* equals = strchr(line, '=');
        if (equals)
            renames.push_back({equals + 1, std::string(line, equals - line)});
    }
    return renames;
}

int write_nt_renames(const std::vector<PendingRename>& renames) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    LONG result;
    if (renames.empty()) {
        result = RegDeleteValueA(key, kPendingValue);
        if (result == ERROR_FILE_NOT_FOUND)
            result = ERROR_SUCCESS;
    } else {
        std::string pairs;
        for (const PendingRename& r : renames)
            pairs += r.from + '\0' + r.to + '\0';
        pairs += '\0';
        result = RegSetValueExA(key, kPendingValue, 0, REG_MULTI_SZ, (const BYTE*)pairs.data(), (DWORD)pairs.size());
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

int write_wininit_renames(const std::vector<PendingRename>& renames) {
    std::string file = wininit();
    if (!renames.empty()) {
        std::string lines;
        for (const PendingRename& r : renames)
            lines += r.to + "=" + r.from + '\0';
        lines += '\0';
        return WritePrivateProfileSectionA(kSection, lines.data(), file.c_str()) != 0;
    }
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 1;
    WritePrivateProfileStringA(kSection, nullptr, nullptr, file.c_str());
    char names[16] = "";
    return GetPrivateProfileSectionNamesA(names, sizeof names, file.c_str()) != 0 || DeleteFileA(file.c_str());
}

}  // namespace

bool PendingRename::deletes() const {
    return to.empty() || same_text(to, "NUL");
}

std::vector<PendingRename> read_renames(RenameList list) {
    return list == kNtRenames ? read_nt_renames() : read_wininit_renames();
}

int write_renames(RenameList list, const std::vector<PendingRename>& renames) {
    return list == kNtRenames ? write_nt_renames(renames) : write_wininit_renames(renames);
}

std::string spelled_path(std::string path) {
    if (path.compare(0, 4, "\\??\\") == 0)
        path.erase(0, 4);
    char full[MAX_PATH];
    DWORD n = GetLongPathNameA(path.c_str(), full, sizeof full);
    return n && n < sizeof full ? std::string(full) : path;
}
