// Text values read so that they always end with a zero byte.
#include <string.h>
#include "kit_win.h"

int read_text(kRegKey& key, const char* name, char* text, unsigned long size) {
    memset(text, 0, size);
    // The whole buffer is offered: a text of size - 1 characters comes with
    // its zero byte. One stored without its zero byte that fills the buffer
    // leaves no room for one and does not fit.
    unsigned long length = size;
    if (!key.get((char*)name, (void*)text, &length) || length > size || (length == size && text[size - 1])) {
        memset(text, 0, size);
        return 0;
    }
    return 1;
}
