// Scanning the install list as one character string.
#include "install_list.h"
#include <stdlib.h>
#include <string.h>

namespace {

const char* find(const char* at, const char* end, const char* word) {
    size_t length = strlen(word);
    while ((size_t)(end - at) >= length) {
        const char* first = (const char*)memchr(at, word[0], end - at - length + 1);
        if (!first)
            return nullptr;
        if (memcmp(first, word, length) == 0)
            return first;
        at = first + 1;
    }
    return nullptr;
}

// The field from start to the next ";" into out (260 bytes); the position of
// that ";", or null when there is none or the field is over 259 bytes. A
// zero byte inside a field would cut it short: such a field is refused.
const char* field(const char* start, const char* end, char* out) {
    if (start > end)
        return nullptr;
    const char* semicolon = (const char*)memchr(start, ';', end - start);
    if (!semicolon || semicolon - start > 259 || memchr(start, 0, semicolon - start))
        return nullptr;
    memcpy(out, start, semicolon - start);
    out[semicolon - start] = 0;
    return semicolon;
}

}  // namespace

int dest_is_relative(const char* dest) {
    if (!dest[0] || dest[0] == '\\' || dest[0] == '/' || strchr(dest, ':'))
        return 0;
    // ".." as a whole part, between separators or at either end.
    for (const char* at = dest; (at = strstr(at, "..")) != nullptr; at += 2) {
        int starts = at == dest || at[-1] == '\\' || at[-1] == '/';
        int ends = at[2] == 0 || at[2] == '\\' || at[2] == '/';
        if (starts && ends)
            return 0;
    }
    return 1;
}

int scan_install_list(const char* text, size_t length, ListVisitor visit, void* context) {
    if (!text || length == 0)
        return kListUnusable;
    const char* end = text + length;
    const char* total = find(text, end, "total");
    char count_text[260];
    if (!total)
        return kListUnusable;
    if (!field(total + 6 <= end ? total + 6 : end, end, count_text))
        return kListMalformed;
    long count = strtol(count_text, nullptr, 0);
    if (count <= 0)
        return kListUnusable;
    const char* at = find(text, end, "src");
    if (!at)
        return kListUnusable;
    for (long i = 0; i < count; i++) {
        const char* src = find(at, end, "src");
        if (!src)
            return i > 0 ? kListShort : kListUnusable;
        ListEntry entry;
        const char* name_end = field(src + 4 <= end ? src + 4 : end, end, entry.name);
        if (!name_end)
            return kListMalformed;
        at = name_end + 1;
        entry.marked = at < end && *at == '&';
        const char* dest = find(at, end, "dest");
        const char* dest_end = dest ? field(dest + 5 <= end ? dest + 5 : end, end, entry.dest) : nullptr;
        if (!dest_end || !dest_is_relative(entry.dest))
            return kListMalformed;
        at = dest_end;
        if (!visit(entry, context))
            return kListStopped;
    }
    return kListComplete;
}
