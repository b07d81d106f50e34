// Version and proxy-list decisions of the host information library.
#include "hostrules.h"
#include <ctype.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

int service_pack_number(const char* text) {
    static const char kWord[] = "service pack";
    if (!text)
        return 0;
    for (const char* at = text; *at; at++) {
        if (strncasecmp(at, kWord, sizeof kWord - 1) == 0) {
            const char* number = at + sizeof kWord - 1;
            while (*number == ' ')
                number++;
            return isdigit((unsigned char)*number) ? atoi(number) : 0;
        }
    }
    return 0;
}

int has_needed_service_pack(int platform, unsigned major, const char* service_pack_text) {
    if (platform != kPlatformNt)
        return 1;
    if (major != 4)
        return major > 4;
    return service_pack_number(service_pack_text) >= 3;
}

static int is_local_entry(const char* entry, size_t length, unsigned port) {
    const char* equals = (const char*)memchr(entry, '=', length);
    if (equals) {
        length -= equals + 1 - entry;
        entry = equals + 1;
    }
    while (length && *entry == ' ')
        entry++, length--;
    while (length && entry[length - 1] == ' ')
        length--;
    if (length > 7 && strncasecmp(entry, "http://", 7) == 0)
        entry += 7, length -= 7;
    const char* colon = (const char*)memchr(entry, ':', length);
    if (!colon)
        return 0;
    size_t host = colon - entry;
    int local = (host == 9 && strncasecmp(entry, "localhost", 9) == 0) ||
                (host == 9 && strncmp(entry, "127.0.0.1", 9) == 0);
    if (!local)
        return 0;
    unsigned long value = 0;
    const char* digit = colon + 1;
    size_t digits = length - host - 1;
    if (digits == 0 || digits > 5)
        return 0;
    for (size_t i = 0; i < digits; i++) {
        if (!isdigit((unsigned char)digit[i]))
            return 0;
        value = value * 10 + (digit[i] - '0');
    }
    return value == port;
}

int remove_local_proxy(const char* list, unsigned port, char* out, unsigned size) {
    if (!list || !out || size == 0)
        return -1;
    size_t needed = 0;
    int removed = 0;
    // First pass measures, second writes: out stays untouched when too small.
    for (int pass = 0; pass < 2; pass++) {
        size_t used = 0;
        for (const char* at = list; *at;) {
            const char* end = strchr(at, ';');
            size_t length = end ? (size_t)(end - at) : strlen(at);
            if (length && !is_local_entry(at, length, port)) {
                if (pass == 1) {
                    if (used)
                        out[used] = ';';
                    memcpy(out + used + (used ? 1 : 0), at, length);
                }
                used += length + (used ? 1 : 0);
            } else if (length && pass == 0) {
                removed++;
            }
            at = end ? end + 1 : at + length;
        }
        if (pass == 0) {
            needed = used;
            if (needed + 1 > size)
                return -1;
        } else {
            out[needed] = 0;
        }
    }
    return removed;
}
