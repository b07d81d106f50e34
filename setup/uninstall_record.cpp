// Splitting of key and value records, and the names of record values.
#include "uninstall_record.h"
#include <stdio.h>
#include <string.h>
#include "mbcs.h"

// First occurrence of c, stepping through double-byte characters so that a
// trail byte is never taken for it; null if none.
static const char* find_char(const char* text, char c) {
    for (const char* p = text; *p; p += mb_char_size(p))
        if (*p == c)
            return p;
    return nullptr;
}

// Copies length bytes of text and a zero byte into out (room for size
// bytes); 0 without copying when they do not fit.
static int copy_part(const char* text, size_t length, char* out, size_t size) {
    if (length >= size)
        return 0;
    memcpy(out, text, length);
    out[length] = 0;
    return 1;
}

int split_key_record(const char* record, int value_record, KeyRecord* out) {
    const char* slash = find_char(record, '\\');
    if (!slash || slash == record)
        return 0;
    const char* subkey = slash + 1;
    const char* comma = find_char(subkey, ',');
    if ((comma != nullptr) != (value_record != 0))
        return 0;
    if (!copy_part(record, slash - record, out->root, sizeof out->root))
        return 0;
    if (!value_record)
        return *subkey && copy_part(subkey, strlen(subkey), out->subkey, sizeof out->subkey);
    return copy_part(subkey, comma - subkey, out->subkey, sizeof out->subkey) &&
           copy_part(comma + 1, strlen(comma + 1), out->value, sizeof out->value);
}

void record_name(unsigned long ticks, char* name) {
    // Masked to 32 bits, the value always takes exactly 8 digits.
    sprintf(name, "%.8lx", ticks & 0xFFFFFFFFul);
}
