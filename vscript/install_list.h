// The install list "install.dat": the count after the first "total", then
// for each entry a "src" name, an optional "&" right after the name's ";"
// (a compressed file in "setup"), and a "dest" path relative to the install
// folder. Fields end with ";" and hold at most 259 bytes.
#pragma once
#include <stddef.h>

struct ListEntry {
    char name[260];
    char dest[260];
    int marked;
};

// Called once per entry in list order; returns 1 to go on, 0 to stop.
typedef int (*ListVisitor)(const ListEntry& entry, void* context);

enum ListResult {
    kListComplete = 1,     // every counted entry was read
    kListShort = 2,        // fewer "src" fields than the count, at least one read
    kListUnusable = -1,    // no "total", a count of 0 or not a number, no "src"
    kListMalformed = -2,   // a field over 259 bytes, an entry without "dest",
                           // a "dest" that is absolute or climbs out with ".."
    kListStopped = -3,     // the visitor asked to stop
};

// Scans text of length bytes (zero bytes inside are ordinary characters)
// and hands each entry to visit. Entries already handed over stay handed
// over when a later one fails the list.
int scan_install_list(const char* text, size_t length, ListVisitor visit, void* context);

// 1 when a destination path stays inside the install folder: not empty, no
// drive or leading backslash, no ".." part.
int dest_is_relative(const char* dest);
