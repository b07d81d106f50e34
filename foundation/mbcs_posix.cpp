// The native build handles single-byte text only: no byte leads a pair.
#include "mbcs.h"

int mb_is_lead(unsigned char) {
    return 0;
}
