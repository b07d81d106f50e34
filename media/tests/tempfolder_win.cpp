// Temporary test folders on Windows: below the user's temporary folder.
#include <windows.h>
#include "tempfolder.h"

const char kSeparator[] = "\\";

TempFolder::TempFolder() {
    char base[MAX_PATH];
    if (!GetTempPathA(sizeof base, base))
        return;
    // The tick count advances in coarse steps under Wine: a counter keeps
    // folders made in the same step apart.
    static unsigned long serial = 0;
    for (int attempt = 0; attempt < 1000; attempt++) {
        char name[MAX_PATH];
        wsprintfA(name, "%smediatest.%lx.%lx.%lx", base, GetCurrentProcessId(), GetTickCount(), ++serial);
        if (CreateDirectoryA(name, nullptr)) {
            root_ = name;
            return;
        }
    }
}

static void remove_tree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

TempFolder::~TempFolder() {
    if (!root_.empty())
        remove_tree(root_);
}
