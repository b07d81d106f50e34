// Reading the install list "install.dat" the way the install script does:
// the count after the first "total", then "src" names, an optional "&"
// right after a name's ";", and "dest" paths.
#pragma once
#include <stddef.h>

struct ScannedEntry {
    char name[260];
    char dest[260];
    int marked;  // "&" right after the name
};

// Called once per entry; returns 1 to go on, 0 to stop the scan.
typedef int (*EntryVisitor)(const ScannedEntry& entry, void* context);

// Scans text (length bytes, zero bytes allowed inside). Returns the count
// the list gives and calls visit for each entry found, at most that many;
// found receives the number of entries read. Returns -1 for a list without
// "total", with a count that is not a number above 0, or with a field
// longer than 259 bytes or an entry without "dest".
long scan_install_list(const char* text, size_t length, EntryVisitor visit, void* context, long* found);
