// The install list scanner of the network helper's media probe.
#include "install_scan.h"
#include <stdlib.h>
#include <string.h>

namespace {

const size_t kLongestField = 259;

// Copies the field from start to the next ";" into out (260 bytes); returns
// the position of that ";", or null when it is missing or the field too long.
const char* field(const char* start, char* out) {
    const char* semicolon = strchr(start, ';');
    if (!semicolon || (size_t)(semicolon - start) > kLongestField)
        return nullptr;
    memcpy(out, start, semicolon - start);
    out[semicolon - start] = 0;
    return semicolon;
}

// The field that starts skip bytes after the word at: null when the text
// ends before that.
const char* field_after(const char* at, size_t skip, char* out) {
    if (strnlen(at, skip) < skip)
        return nullptr;
    return field(at + skip, out);
}

}  // namespace

long scan_install_list(const char* text, EntryVisitor visit, void* context) {
    const char* total = strstr(text, "total");
    char count_text[kLongestField + 1];
    if (!total || !field_after(total, 6, count_text))
        return -1;
    long count = strtol(count_text, nullptr, 0);
    const char* at = strstr(text, "src");
    if (count <= 0 || !at)
        return -1;
    long visited = 0;
    for (long i = 0; i < count; i++) {
        const char* src = strstr(at, "src");
        if (!src)
            break;
        ScannedEntry entry;
        const char* name_end = field_after(src, 4, entry.name);
        if (!name_end)
            return -1;
        entry.marked = name_end[1] == '&';
        const char* dest = strstr(name_end + 1, "dest");
        const char* dest_end = dest ? field_after(dest, 5, entry.dest) : nullptr;
        if (!dest_end)
            return -1;
        at = dest_end;
        visited++;
        if (!visit(entry, context))
            break;
    }
    return visited;
}
