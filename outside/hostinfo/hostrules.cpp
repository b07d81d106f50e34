// Version, proxy-list and browser-command decisions of the host information
// library.
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
    if (platform == kPlatformWindows)
        return 1;
    if (platform != kPlatformNt)
        return 0;
    if (major != 4)
        return major > 4;
    return service_pack_number(service_pack_text) >= 3;
}

namespace {

int is_blank(char c) {
    return c == ' ' || c == '\t';
}

int same_host(const char* host, size_t length, const char* name) {
    return name && strlen(name) == length && strncasecmp(host, name, length) == 0;
}

// One list entry (length bytes, no ";") points at this machine on port.
int is_local_entry(const char* entry, size_t length, unsigned port, const char* machine) {
    const char* equals = (const char*)memchr(entry, '=', length);
    if (equals) {
        length -= equals + 1 - entry;
        entry = equals + 1;
    }
    while (length && is_blank(*entry))
        entry++, length--;
    while (length && is_blank(entry[length - 1]))
        length--;
    if (length > 7 && strncasecmp(entry, "http://", 7) == 0)
        entry += 7, length -= 7;
    const char* colon = (const char*)memchr(entry, ':', length);
    if (!colon)
        return 0;
    size_t host = colon - entry;
    if (!same_host(entry, host, "localhost") && !same_host(entry, host, "127.0.0.1") &&
        !same_host(entry, host, machine))
        return 0;
    const char* digits = colon + 1;
    size_t count = length - host - 1;
    if (count == 0 || count > 5)
        return 0;
    unsigned long value = 0;
    for (size_t i = 0; i < count; i++) {
        if (!isdigit((unsigned char)digits[i]))
            return 0;
        value = value * 10 + (digits[i] - '0');
    }
    return value == port;
}

}  // namespace

int remove_local_proxy(const char* list, unsigned port, const char* machine, char* out, unsigned size) {
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
            if (length && !is_local_entry(at, length, port, machine)) {
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

int browser_command(const char* registered, char* out, unsigned size) {
    if (!registered || !out || size == 0)
        return 0;
    while (is_blank(*registered))
        registered++;
    const char* end = registered + strlen(registered);
    for (const char* at = registered; *at; at++) {
        if (at[0] == '%' && (at[1] == '1' || at[1] == 'L' || at[1] == 'l')) {
            end = at > registered && at[-1] == '"' ? at - 1 : at;
            break;
        }
    }
    while (end > registered && is_blank(end[-1]))
        end--;
    size_t length = end - registered;
    if (length == 0 || length >= size)
        return 0;
    memcpy(out, registered, length);
    out[length] = 0;
    return 1;
}
