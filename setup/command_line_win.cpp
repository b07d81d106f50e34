// The text after the program's name on setup.exe's command line.
#include "entry.h"
#include <string.h>

namespace {

int is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Length of name when line starts with it (compared without regard to case,
// by characters) followed by a blank or the end; else 0.
size_t starts_with_name(const char* line, const char* name) {
    size_t length = name ? strlen(name) : 0;
    if (length == 0 || strlen(line) < length || (line[length] && !is_blank(line[length])))
        return 0;
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, line, (int)length, name, (int)length) ==
                   CSTR_EQUAL
               ? length
               : 0;
}

}  // namespace

const char* arguments_after_program(const char* line, const char* const* own_names, int name_count) {
    if (*line == '"') {
        line++;
        while (*line && *line != '"')
            line++;
        if (*line == '"')
            line++;
    } else {
        size_t skip = 0;
        for (int i = 0; i < name_count && !skip; i++)
            skip = starts_with_name(line, own_names[i]);
        if (skip) {
            line += skip;
        } else {
            while (*line && !is_blank(*line))
                line++;
        }
    }
    while (is_blank(*line))
        line++;
    return line;
}

const char* own_arguments(const char* line) {
    // Windows hands the command line over exactly as it was given: an
    // unquoted program path with blanks (as in the recorded uninstall
    // command) ends where the running program's own path ends, in its long
    // or short form, with or without ".exe".
    static char names[4][MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, names[0], MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        names[0][0] = 0;
    DWORD short_length = GetShortPathNameA(names[0], names[1], MAX_PATH);
    if (short_length == 0 || short_length >= MAX_PATH)
        names[1][0] = 0;
    for (int i = 0; i < 2; i++) {
        lstrcpynA(names[i + 2], names[i], MAX_PATH);
        size_t n = strlen(names[i + 2]);
        if (n > 4 && _stricmp(names[i + 2] + n - 4, ".exe") == 0)
            names[i + 2][n - 4] = 0;
        else
            names[i + 2][0] = 0;
    }
    const char* const all[] = {names[0], names[1], names[2], names[3]};
    return arguments_after_program(line, all, 4);
}
