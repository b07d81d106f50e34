// Snapshots of the product's traces on this machine and their comparison.
#include "snapshot_win.h"
#include <windows.h>
#include <stdio.h>
#include <algorithm>
#include <map>
#include <set>
#include <vector>
#include "machine_win.h"
#include "renames_win.h"

namespace {

typedef std::vector<std::string> Lines;

const char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char kTcpip[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char kDeletion[] = "deletion at the next start: ";
const char kRename[] = "renaming at the next start: ";
const char kValueSeparator[] = " : ";

std::string hex_bytes(const BYTE* data, DWORD size) {
    std::string shown = std::to_string(size) + " bytes";
    for (DWORD i = 0; i < size && i < 32; i++) {
        char byte[4];
        snprintf(byte, sizeof byte, " %02x", data[i]);
        shown += byte;
    }
    return size > 32 ? shown + " ..." : shown;
}

std::string texts(const char* data, DWORD size) {
    std::string shown;
    for (DWORD at = 0; at < size && data[at]; at += (DWORD)strlen(data + at) + 1)
        shown += (shown.empty() ? "texts \"" : " \"") + std::string(data + at) + "\"";
    return shown.empty() ? "no texts" : shown;
}

std::string shown_data(DWORD type, const BYTE* data, DWORD size) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return "text \"" + std::string((const char*)data, strnlen((const char*)data, size)) + "\"";
    case REG_DWORD:
        if (size == 4)
            return "number " + std::to_string(*(const DWORD*)data);
        break;
    case REG_MULTI_SZ:
        return texts((const char*)data, size);
    }
    return "type " + std::to_string(type) + ", " + hex_bytes(data, size);
}

void add_values(HKEY key, const std::string& name, Lines* out) {
    char value[1024];
    static BYTE data[65536];
    for (DWORD i = 0;; i++) {
        DWORD value_size = sizeof value, data_size = sizeof data - 2, type = 0;
        LONG result = RegEnumValueA(key, i, value, &value_size, nullptr, &type, data, &data_size);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
            continue;
        data[data_size] = data[data_size + 1] = 0;
        out->push_back("value " + name + kValueSeparator + (value[0] ? value : "(default)") + " = " +
                       shown_data(type, data, data_size));
    }
}

// The key, its values and, for a whole tree, every key below it.
void add_key(HKEY root, const std::string& root_name, const std::string& path, bool whole_tree, Lines* out) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    std::string name = root_name + "\\" + path;
    out->push_back("key " + name);
    add_values(key, name, out);
    char child[256];
    for (DWORD i = 0; whole_tree && RegEnumKeyA(key, i, child, sizeof child) == ERROR_SUCCESS; i++)
        add_key(root, root_name, path + "\\" + child, true, out);
    RegCloseKey(key);
}

void add_folder(const std::string& folder, bool whole_tree, Lines* out) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    out->push_back("folder " + folder);
    do {
        std::string name = found.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..")
            continue;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            out->push_back("file " + path);
        else if (whole_tree)
            add_folder(path, true, out);
        else
            out->push_back("folder " + path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void add_renames(RenameList list, Lines* out) {
    for (const PendingRename& r : read_renames(list))
        out->push_back(r.deletes() ? kDeletion + spelled_path(r.from)
                                   : kRename + spelled_path(r.from) + " -> " + r.to);
}

int read_lines(const std::string& file, std::set<std::string>* out) {
    FILE* f = fopen(file.c_str(), "rb");
    if (!f) {
        printf("   cannot read %s\n", file.c_str());
        return 0;
    }
    char line[8192];
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\r\n")] = 0;
        out->insert(line);
    }
    fclose(f);
    return 1;
}

Lines only_in(const std::set<std::string>& these, const std::set<std::string>& others) {
    Lines only;
    for (const std::string& line : these)
        if (!others.count(line))
            only.push_back(line);
    return only;
}

// Why the product leaves a line behind on purpose, or null when it should not.
class Design {
public:
    explicit Design(const Lines& left) : windows_(windows_folder()), stage_two_(windows_temp_folder() + "\\setup.exe") {
        for (const std::string& line : left)
            stage_two_deleted_ = stage_two_deleted_ || same_text(line, kDeletion + stage_two_);
    }

    const char* reason(const std::string& line) const {
        const std::string company = "key HKLM\\" DEMO_COMPANY_KEY, component = company + "\\Collector\\Alpha000";
        const std::string helper = "file " + windows_ + "\\hdlutil.";
        if (same_text(line, helper + "exe") || same_text(line, helper + "dll"))
            return "the tuning helper, copied for the next start of Windows";
        if (starts_with_text(line, "value " + component.substr(4) + kValueSeparator + "_vmin = "))
            return "the component's version record";
        if (same_text(line, company) || same_text(line, company + "\\Collector") || same_text(line, component))
            return "holds the component's version record";
        if (!stage_two_deleted_)
            return nullptr;
        if (same_text(line, "file " + stage_two_))
            return "the uninstall's second stage, deleted at the next start";
        if (same_text(line, kDeletion + stage_two_))
            return "the second stage's own deletion";
        if (same_text(line, "file " + windows_ + "\\wininit.ini"))
            return "holds the second stage's deletion (Windows 95 family)";
        return nullptr;
    }

private:
    std::string windows_, stage_two_;
    bool stage_two_deleted_ = false;
};

// "key NAME" of a value line; empty for any other line.
std::string owner_key(const std::string& line) {
    if (line.compare(0, 6, "value ") != 0)
        return std::string();
    return "key " + line.substr(6, line.find(kValueSeparator) - 6);
}

}  // namespace

int write_snapshot(const std::string& install_folder, const std::string& file) {
    Lines lines;
    add_key(HKEY_LOCAL_MACHINE, "HKLM", DEMO_COMPANY_KEY, true, &lines);
    add_key(HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE\\vuninst", true, &lines);
    add_key(HKEY_LOCAL_MACHINE, "HKLM", DEMO_RUN_KEY, false, &lines);
    add_key(HKEY_LOCAL_MACHINE, "HKLM", DEMO_RUNONCE_KEY, false, &lines);
    add_key(HKEY_LOCAL_MACHINE, "HKLM", DEMO_UNINSTALL_LIST, true, &lines);
    add_key(HKEY_LOCAL_MACHINE, "HKLM", kMstcp, false, &lines);
    add_key(HKEY_LOCAL_MACHINE, "HKLM", kTcpip, false, &lines);
    add_folder(install_folder, true, &lines);
    for (const std::string& folder : programs_folders())
        add_folder(folder, true, &lines);
    add_folder(windows_folder(), false, &lines);
    add_folder(windows_temp_folder(), false, &lines);
    add_renames(kNtRenames, &lines);
    add_renames(kWininitRenames, &lines);
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    FILE* f = fopen(file.c_str(), "wb");
    if (!f)
        return 0;
    for (const std::string& line : lines)
        fprintf(f, "%s\n", line.c_str());
    return fclose(f) == 0;
}

int print_added(const std::string& before, const std::string& after) {
    std::set<std::string> old_lines, new_lines;
    if (!read_lines(before, &old_lines) || !read_lines(after, &new_lines))
        return 0;
    Lines added = only_in(new_lines, old_lines);
    // Values of a new key are counted at the key; those of a key that was
    // there before (Run, RunOnce) are shown one by one.
    std::map<std::string, int> values_of_new_key;
    for (const std::string& line : added)
        values_of_new_key[owner_key(line)]++;
    for (const std::string& line : added) {
        std::string owner = owner_key(line);
        if (!owner.empty() && !old_lines.count(owner))
            continue;
        auto values = values_of_new_key.find(line);
        if (values != values_of_new_key.end())
            printf("     %s (%d values)\n", line.c_str(), values->second);
        else
            printf("     %s\n", line.c_str());
    }
    return 1;
}

int print_left(const std::string& before, const std::string& after) {
    std::set<std::string> old_lines, new_lines;
    if (!read_lines(before, &old_lines) || !read_lines(after, &new_lines))
        return 0;
    Lines left = only_in(new_lines, old_lines), gone = only_in(old_lines, new_lines);
    Design design(left);
    int unexpected = 0;
    for (const std::string& line : left) {
        const char* reason = design.reason(line);
        printf("   %s %s\n", reason ? "left by design:" : "LEFT BEHIND:   ", line.c_str());
        if (reason)
            printf("                  (%s)\n", reason);
        unexpected += !reason;
    }
    for (const std::string& line : gone)
        printf("   GONE:           %s\n", line.c_str());
    unexpected += (int)gone.size();
    if (left.empty() && gone.empty())
        printf("   nothing: the machine is as it was before the install\n");
    printf("   %d difference(s) not by design\n", unexpected);
    return unexpected == 0;
}
