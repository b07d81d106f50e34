// Reading the product's registry: keys opened for reading only, and text
// values read so that they always end with a zero byte.
#include <string.h>
#include "kit_win.h"

int open_to_read(kRegKey& key, HKEY root, const char* subkey) {
    HKEY opened;
    if (key.key || RegOpenKeyExA(root, subkey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return 0;
    key.key = opened;
    return 1;
}

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
