// Character stepping shared by every build.
#include "mbcs.h"

int mb_char_size(const char* s) {
    if (mb_is_lead((unsigned char)s[0]) && s[1] != 0)
        return 2;
    return 1;
}
