// Shell links through the shell's link object, and special folder paths.
#include <objbase.h>
#include <shlobj.h>
#include <string.h>
#include "links.h"

// Sets everything but the file name on a fresh link object.
static void describe_link(IShellLinkA* link, char* target, char* description, char* arguments,
                          char* working_directory, char* icon_file, int icon_index) {
    link->SetShowCmd(SW_SHOWNORMAL);
    link->SetPath(target);
    if (working_directory)
        link->SetWorkingDirectory(working_directory);
    if (description)
        link->SetDescription(description);
    if (arguments)
        link->SetArguments(arguments);
    if (icon_file) {
        char short_path[MAX_PATH];
        DWORD length = GetShortPathNameA(icon_file, short_path, MAX_PATH);
        link->SetIconLocation(length && length < MAX_PATH ? short_path : icon_file, icon_index);
    }
}

// Saves the link; the shell's result is not examined (a link that cannot be
// written still counts as handed over). A name that does not convert within
// 260 characters is not saved at all rather than saved cut short.
static void save_link(IPersistFile* file, char* link_file) {
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, link_file, -1, wide, MAX_PATH))
        file->Save(wide, TRUE);
}

int CreateLink(char* target, char* link_file, char* description, char* arguments,
               char* working_directory, char* icon_file, int icon_index) {
    if (!target || !link_file)
        return 0;
    HRESULT com = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void**)&link))) {
        if (SUCCEEDED(com))
            CoUninitialize();
        return 0;
    }
    describe_link(link, target, description, arguments, working_directory, icon_file, icon_index);
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
        link->Release();
        if (SUCCEEDED(com))
            CoUninitialize();
        return 0;
    }
    save_link(file, link_file);
    file->Release();
    SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHA, link_file, nullptr);
    link->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 1;
}

// Path of a special folder into path (MAX_PATH bytes); 1 on success.
static int special_folder(int folder, char* path) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &items)) || !items)
        return 0;
    int ok = SHGetPathFromIDListA(items, path) ? 1 : 0;
    CoTaskMemFree(items);
    return ok;
}

void GetSpecialFolderch(int folder, char* out) {
    char path[MAX_PATH];
    if (out && special_folder(folder, path))
        lstrcpynA(out, path, MAX_PATH);
}

kString GetSpecialFolder(int folder) {
    kString result;
    char path[MAX_PATH];
    if (special_folder(folder, path))
        result.set(path);
    return result;
}
