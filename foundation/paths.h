// Install-folder paths: checking and creating them; starting programs.
#pragma once
#include "kapi.h"

// 1 if text contains none of / * ? " < > | (stepping through double-byte
// characters, so a trail byte never matches); 0 if it does or is null.
KAPI int validtext(char* text);

#ifdef _WIN32
// The leading parts of a path are the texts that end just before each
// backslash after the first character, then the whole path: C:\a\b gives
// C:, C:\a, C:\a\b. validate_path and create_path cut the caller's text at
// each backslash in turn and restore it before returning, so it must be
// writable and not read by another thread meanwhile. A path with more than
// 127 such backslashes is refused (0) untouched.

// 1 if no leading part names an existing file that is not a directory
// (missing levels are fine). Prints "checking %s\n" for each part.
KAPI int validate_path(char* path);
// 1 if path is acceptable as an install folder: a drive letter and colon,
// no bare root unless root_ok, no trailing backslash or blank, none of the
// characters validtext refuses, no "\\", " \", "*", "/" or "," before the
// last character, a fixed disk unless any_drive, and validate_path.
KAPI int path_is_ok(char* path, int root_ok, int any_drive);
// Creates every missing level of path as a folder. 0 without creating
// anything when a level is a file; 0 at the first level that cannot be
// created (levels created before it stay). Prints "created %s\n" or
// "using %s\n" for each level.
KAPI int create_path(char* path);

// Starts the command line formatted from format (at most 259 bytes, else
// refused) in a new console and process group, in the folder from its start
// up to its first backslash (a leading double quote skipped), or in the
// current folder when it has none. With wait set, waits for the process to
// end. Returns the exit code read (259, still running, when not waited
// for), or 0xFFFFFFFF when it could not be formatted, started or read.
KAPI unsigned long execute_process(int wait, char* format, ...) KPRINTF(2, 3);

#endif
