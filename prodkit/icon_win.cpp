// The shell's small icon for a file.
#include "prodkit.h"
#include <shellapi.h>
#include <string.h>

HICON get_small_file_icon(char* path) {
    SHFILEINFOA info;
    memset(&info, 0, sizeof info);
    if (!SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON))
        return nullptr;
    return info.hIcon;
}
