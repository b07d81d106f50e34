// The install list scanner of the network helper's media probe.
#include "install_scan.h"
#include <stdlib.h>
#include <string.h>

namespace {

const char* find(const char* at, const char* end, const char* word) {
    size_t length = strlen(word);
    for (; at + length <= end; at++)
        if (memcmp(at, word, length) == 0)
            return at;
    return nullptr;
}

// Copies the field from start to the next ";" into out (260 bytes); returns
// the position of that ";", or null when it is missing or the field too long.
const char* field(const char* start, const char* end, char* out) {
    const char* semicolon = start <= end ? (const char*)memchr(start, ';', end - start) : nullptr;
    if (!semicolon || semicolon - start > 259)
        return nullptr;
    memcpy(out, start, semicolon - start);
    out[semicolon - start] = 0;
    return semicolon;
}

}  // namespace

long scan_install_list(const char* text, size_t length, EntryVisitor visit, void* context, long* found) {
    const char* end = text + length;
    *found = 0;
    const char* total = find(text, end, "total");
    char count_text[260];
    if (!total || total + 6 > end || !field(total + 6, end, count_text))
        return -1;
    char* count_end;
    long count = strtol(count_text, &count_end, 0);
    if (count <= 0 || count_end == count_text)
        return -1;
    const char* at = text;
    for (long i = 0; i < count; i++) {
        const char* src = find(at, end, "src");
        if (!src)
            break;
        ScannedEntry entry;
        const char* name_end = src + 4 <= end ? field(src + 4, end, entry.name) : nullptr;
        if (!name_end)
            return -1;
        entry.marked = name_end + 1 < end && name_end[1] == '&';
        const char* dest = find(name_end + 1, end, "dest");
        const char* dest_end = dest && dest + 5 <= end ? field(dest + 5, end, entry.dest) : nullptr;
        if (!dest_end)
            return -1;
        at = dest_end;
        ++*found;
        if (!visit(entry, context))
            break;
    }
    return count;
}
