// Text values read so that they always end with a zero byte.
#include <string.h>
#include "kit_win.h"

int read_text(kRegKey& key, const char* name, char* text, unsigned long size) {
    memset(text, 0, size);
    return key.get((char*)name, text, size - 1);
}
