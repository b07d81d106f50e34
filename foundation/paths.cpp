// Text rules of paths and command lines: no file system access here.
#include <string.h>
#include "mbcs.h"
#include "paths.h"
#include "pathtext.h"

int validtext(char* text) {
    if (!text)
        return 0;
    for (const char* p = text; *p; p += mb_char_size(p)) {
        if (mb_char_size(p) == 1 && strchr("/*?\"<>|", *p))
            return 0;
    }
    return 1;
}

int path_cuts(const char* path, int cuts[kMaxPathLevels]) {
    if (!*path)
        return 0;
    int count = 0;
    for (const char* p = path + mb_char_size(path); *p; p += mb_char_size(p)) {
        if (*p != '\\')
            continue;
        if (count == kMaxPathLevels)
            return -1;
        cuts[count++] = (int)(p - path);
    }
    return count;
}

// Offset of the last character (a lead byte counts with its trail byte).
static size_t last_char(const char* path) {
    size_t last = 0;
    for (const char* p = path; *p; p += mb_char_size(p))
        last = (size_t)(p - path);
    return last;
}

static int inner_text_ok(const char* path, size_t last) {
    for (const char* p = path; (size_t)(p - path) < last; p += mb_char_size(p)) {
        if (mb_char_size(p) == 2)
            continue;
        char next = p[1];
        if (*p == '\\' && next == '\\')
            return 0;
        if (*p == ' ' && next == '\\')
            return 0;
        if (*p == '*' || *p == '/' || *p == ',')
            return 0;
    }
    return 1;
}

int path_text_ok(const char* path, int root_ok) {
    if (!path)
        return 0;
    size_t length = strlen(path);
    if (length < (root_ok ? 3u : 4u))
        return 0;
    size_t last = last_char(path);
    if (path[last] == '\\' && length != 3)
        return 0;
    if (path[last] == ' ')
        return 0;
    if (!validtext((char*)path))
        return 0;
    if (path[1] != ':')
        return 0;
    // A comma anywhere, the last character included: the install folder ends
    // up in setup's uninstall command line, which is split at commas.
    if (path[last] == ',')
        return 0;
    return inner_text_ok(path, last);
}

int command_folder(const char* command, char* out, int size) {
    const char* start = command[0] == '"' ? command + 1 : command;
    for (const char* p = start; *p; p += mb_char_size(p)) {
        if (*p != '\\')
            continue;
        int length = (int)(p - start) + 1;
        if (length >= size)
            return 0;
        memcpy(out, start, (size_t)length);
        out[length] = 0;
        return 1;
    }
    return 0;
}
