// kFilesDat: reader of the install archive "files.dat", whose members are
// stored in masked blocks, offered through the file functions the installer
// uses on plain files.
#pragma once
#include <stdint.h>
#include "kapi.h"
#include "kfile.h"
#include "kstring.h"

#ifndef _WIN32
// The Win32 find-data record (320 bytes), for the native tools and tests.
struct _FILETIME {
    uint32_t dwLowDateTime;
    uint32_t dwHighDateTime;
};
struct _WIN32_FIND_DATAA {
    uint32_t dwFileAttributes;
    _FILETIME ftCreationTime;
    _FILETIME ftLastAccessTime;
    _FILETIME ftLastWriteTime;
    uint32_t nFileSizeHigh;
    uint32_t nFileSizeLow;
    uint32_t dwReserved0;
    uint32_t dwReserved1;
    char cFileName[260];
    char cAlternateFileName[14];
};
#endif
static_assert(sizeof(_WIN32_FIND_DATAA) == 320, "find data record is 320 bytes");

// One directory entry, 276 bytes, identical on disk (little-endian) and in memory.
struct kFDFileEntry {
    char name[260];        // zero-terminated; a first byte 0 ends the directory
    uint32_t block_size;   // K: length of each data block and each mask block
    uint32_t reserved;     // not read
    uint32_t length;       // the member's length after extraction
    uint32_t data_offset;  // where its records start, from the archive's start
};
static_assert(sizeof(kFDFileEntry) == 276, "directory entry is 276 bytes");

const unsigned long kFDAttributeNormal = 0x80;
const unsigned long kFDNoAttributes = 0xFFFFFFFFul;

class KAPI kFilesDat final {
public:
    kFile file;    // the archive, opened "rb"
    kString path;  // the path it was opened with; cleared on close
    int is_open;

    kFilesDat();
    ~kFilesDat();
    kFilesDat(const kFilesDat&) = delete;
    kFilesDat& operator=(const kFilesDat&) = delete;

    // 1 when the archive file was opened; 0 when this object already has one
    // open (it stays open) or the file cannot be read.
    int open(char* path);
    // Closes the archive; always 1.
    int close();
    // 1 and the entry at 0-based directory position index (or the first whose
    // name matches name, case-insensitively and as a whole); 0 when not open
    // or the directory ends first, and entry is then untouched. A name that
    // fills its whole field is handed back cut to 259 bytes.
    int retrieve_header(unsigned long index, kFDFileEntry& entry);
    int retrieve_header(char* name, kFDFileEntry& entry);
    // 0x80 for an existing member, 0xFFFFFFFF otherwise.
    unsigned long GetFileAttributesA(char* name);
    // The member's length; 0 when there is no such member.
    unsigned long GetFileSize(char* name);
    // Extracts the member to a new file destination (replaced unless
    // fail_if_exists is set and it exists). 1 on success, 0 on failure; a
    // destination that was begun stays, even when the copy then failed.
    int CopyFileA(char* name, char* destination, int fail_if_exists);
    // Listing of every member in directory order: FindFirstFileA gives a
    // search handle (null when not open or empty) and FindNextFileA 1 per
    // further member, 0 after the last; FindClose releases the handle.
    void* FindFirstFileA(_WIN32_FIND_DATAA* data);
    int FindNextFileA(void* handle, _WIN32_FIND_DATAA* data);
    int FindClose(void* handle);
};
