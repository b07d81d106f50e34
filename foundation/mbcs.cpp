// Character stepping shared by every build.
#include "mbcs.h"

int mb_char_size(const char* s) {
    // No code page has a lead byte below 0x80: plain ASCII text, most of
    // what is compared and measured, needs no look-up.
    if ((unsigned char)s[0] >= 0x80 && mb_is_lead((unsigned char)s[0]) && s[1] != 0)
        return 2;
    return 1;
}

const char* mb_last_char(const char* s) {
    const char* last = nullptr;
    for (const char* p = s; *p; p += mb_char_size(p))
        last = p;
    return last;
}

const char* mb_find_last(const char* s, char c) {
    const char* found = nullptr;
    for (const char* p = s; *p; p += mb_char_size(p))
        if (*p == c && mb_char_size(p) == 1)
            found = p;
    return found;
}
