// Text rules of install-folder paths, shared by every build.
#pragma once

// Most backslashes after a path's first character that the path functions
// handle (one level each).
enum { kMaxPathLevels = 127 };

// Offsets of the backslashes after the first character of path, in order,
// stepping through double-byte characters. Returns their count, or -1 when
// there are more than kMaxPathLevels (cuts then holds the first ones).
int path_cuts(const char* path, int cuts[kMaxPathLevels]);

// The drive-independent rules for an install folder: length (3 with
// root_ok, else 4), a trailing backslash only on a 3-byte root, no trailing
// blank, validtext, a colon second, and no "\\", " \", "*", "/" or ","
// before the last character. 1 if all hold.
int path_text_ok(const char* path, int root_ok);

// Working folder of a command line: its text up to and including the first
// backslash, after a leading double quote if any, into out (room for size
// bytes). 0 when the command line has no backslash or it does not fit.
int command_folder(const char* command, char* out, int size);
