// Temporary test folders on Windows: below the user's temporary folder.
#include <windows.h>
#include "tempfolder.h"
#include "testkit.h"

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

TempFolder::~TempFolder() {
    if (!root_.empty())
        testkit::remove_tree(root_);
}
