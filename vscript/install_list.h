// The install list "install.dat": the count after the first "total", then
// for each entry a "src" name, an optional "&" right after the name's ";"
// (a compressed file in "setup"), and a "dest" path relative to the install
// folder. Fields end with ";" and hold at most 259 bytes.
#pragma once
#include <stddef.h>

struct InstallEntry {
    char name[260];
    char dest[260];
    int marked;
};

// Called once per entry in list order; returns 1 to go on, 0 to stop.
typedef int (*ListVisitor)(const InstallEntry& entry, void* context);

enum ListResult {
    kListComplete = 1,     // every counted entry was read
    kListShort = 2,        // fewer "src" fields than the count, at least one read
    kListUnusable = -1,    // no "total", a count not above 0 or not a number, no "src"
    kListMalformed = -2,   // a field over 259 bytes or holding a zero byte, an
                           // entry without "dest", a "dest" that leaves the
                           // install folder
    kListStopped = -3,     // the visitor asked to stop
};

// Scans text of length bytes and hands each entry to visit. Zero bytes
// between fields are ordinary characters; a field holding one is refused
// rather than cut. Entries already handed over stay handed over when a later
// one fails the list. Nothing is read outside text[0 .. length).
int scan_install_list(const char* text, size_t length, ListVisitor visit, void* context);

// 1 when a destination path stays inside the install folder: not empty, no
// drive, stream or leading separator, and no part that steps up (".." and
// the like: only dots and blanks, at least two dots). Both "\\" and "/"
// separate parts.
int dest_is_relative(const char* dest);
