// Fuzz target: the install archive's directory, listing and extraction.
#include <string.h>
#include "fuzzfile.h"
#include "kfilesdat.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quiet_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = put_input("files.dat", data, size);
    std::string out = scratch() + "/member";
    kFilesDat archive;
    if (!archive.open((char*)path.c_str()))
        return 0;
    _WIN32_FIND_DATAA found;
    void* search = archive.FindFirstFileA(&found);
    for (int listed = 0; search && listed < 64; listed++) {
        char name[260];
        memcpy(name, found.cFileName, sizeof name);
        // A listed member always exists (its length may be that of an
        // earlier member of the same name, which lookups find first).
        if (archive.GetFileAttributesA(name) != 0x80)
            __builtin_trap();
        archive.GetFileSize(name);
        archive.CopyFileA(name, (char*)out.c_str(), 0);
        if (!archive.FindNextFileA(search, &found))
            break;
    }
    archive.FindClose(search);
    kFDFileEntry entry;
    archive.retrieve_header(3ul, entry);
    return 0;
}
