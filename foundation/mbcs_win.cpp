// Lead bytes of the system's ANSI code page.
#include <windows.h>
#include "mbcs.h"

int mb_is_lead(unsigned char c) {
    return IsDBCSLeadByte(c) ? 1 : 0;
}
