// Fuzz target: unpacking the uninstall archive into a folder.
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include "fuzzfile.h"
#include "uninst_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string archive = put_input("uninst.dat", data, size);
    std::string folder = scratch() + "/unpacked";
    mkdir(folder.c_str(), 0700);
    kPtrVector<kString> list;
    for (int overwrite = 1; overwrite >= 0; overwrite--)
        unpack_uninstall_archive((char*)archive.c_str(), (char*)folder.c_str(), overwrite, &list);
    for (unsigned int i = 0; i < list.count; i++) {
        // Every file lands inside the folder, under a bare name.
        const char* path = list.items[i]->text;
        if (strncmp(path, folder.c_str(), folder.size()) != 0 || path[folder.size()] != '/' ||
            strchr(path + folder.size() + 1, '/'))
            __builtin_trap();
        remove(path);
    }
    list.destroy_all();
    return 0;
}
