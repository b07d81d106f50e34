// Reading the install list "install.dat" the way the install script does:
// the count after the first "total", then "src" names, an optional "&"
// right after a name's ";", and "dest" paths.
#pragma once

struct ScannedEntry {
    char name[260];  // the source file's name on the media
    char dest[260];  // its path below the install folder
    int marked;      // "&" right after the name: a compressed file
};

// Called once per entry; returns 1 to go on, 0 to end the scan.
typedef int (*EntryVisitor)(const ScannedEntry& entry, void* context);

// Scans the list text (which ends at its first zero byte, as the script's
// string scan does). Returns -1 when the list is not usable: no "total", a
// count that is not above 0 (the field 6 bytes after "total" read with
// strtol base 0), no "src" at all, a count, name or path without its ";" or
// longer than 259 bytes, or a name without a "dest" after it. Otherwise
// returns the number of entries handed to visit: one per "src", up to the
// count (fewer "src" fields than the count are not a fault); fewer when
// visit ended the scan.
long scan_install_list(const char* text, EntryVisitor visit, void* context);
