// _mbssize: the byte length of a multibyte string, stepping by characters of
// the system's code page.
#include "kfile.h"
#include "mbcs.h"

int _mbssize(const char* s) {
    if (!s)
        return 0;
    int total = 0;
    while (*s) {
        int n = mb_char_size(s);
        total += n;
        s += n;
    }
    return total;
}
