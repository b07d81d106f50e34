// Fuzz target: unpacking the uninstall archive into a folder.
#include <stdio.h>
#include <string.h>
#include "fuzzfile.h"
#include "uninst_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string archive = put_input("uninst.dat", data, size);
    // Names are joined to the folder with a backslash, as on Windows; here
    // that makes "unpacked\NAME" files beside the folder's name.
    std::string folder = scratch() + "/unpacked";
    kPtrVector<kString> list;
    for (int overwrite = 1; overwrite >= 0; overwrite--)
        unpack_archive((char*)archive.c_str(), (char*)folder.c_str(), overwrite, &list);
    for (unsigned int i = 0; i < list.count; i++) {
        // Every file lands inside the folder, under a bare name.
        const char* path = list.items[i]->text;
        const char* name = path + folder.size() + 1;
        if (strncmp(path, folder.c_str(), folder.size()) != 0 || name[-1] != '\\' || strpbrk(name, "\\/:") ||
            !strcmp(name, ".") || !strcmp(name, ".."))
            __builtin_trap();
        remove(path);
    }
    list.destroy_all();
    return 0;
}
