// Scanning the install list as one character string.
#include "install_list.h"
#include <stdlib.h>
#include <string.h>

namespace {

const size_t kFieldMax = 259;

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
// that ";", or null when there is none within 259 bytes. A zero byte inside
// would cut the field short: such a field is refused.
const char* field(const char* start, const char* end, char* out) {
    if (start >= end)
        return nullptr;
    size_t room = (size_t)(end - start) < kFieldMax + 1 ? (size_t)(end - start) : kFieldMax + 1;
    const char* semicolon = (const char*)memchr(start, ';', room);
    if (!semicolon || memchr(start, 0, semicolon - start))
        return nullptr;
    memcpy(out, start, semicolon - start);
    out[semicolon - start] = 0;
    return semicolon;
}

// Where a field starts: skip bytes after the word, or the end when the text
// stops before that.
const char* after(const char* word, size_t skip, const char* end) {
    return (size_t)(end - word) > skip ? word + skip : end;
}

int is_separator(char c) {
    return c == '\\' || c == '/';
}

// A part of only dots and blanks with two or more dots: Windows takes ".."
// as the parent folder, and its path rules may trim the rest down to it.
int steps_up(const char* part, size_t length) {
    size_t dots = 0;
    for (size_t i = 0; i < length; i++) {
        if (part[i] != '.' && part[i] != ' ')
            return 0;
        dots += part[i] == '.';
    }
    return dots >= 2;
}

}  // namespace

int dest_is_relative(const char* dest) {
    if (!dest[0] || is_separator(dest[0]) || strchr(dest, ':'))
        return 0;
    const char* part = dest;
    for (const char* at = dest;; at++) {
        if (*at && !is_separator(*at))
            continue;
        if (steps_up(part, at - part))
            return 0;
        if (!*at)
            return 1;
        part = at + 1;
    }
}

int scan_install_list(const char* text, size_t length, ListVisitor visit, void* context) {
    if (!text || length == 0)
        return kListUnusable;
    const char* end = text + length;
    const char* total = find(text, end, "total");
    if (!total)
        return kListUnusable;
    char count_text[kFieldMax + 1];
    if (!field(after(total, 6, end), end, count_text))
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
        InstallEntry entry;
        const char* name_end = field(after(src, 4, end), end, entry.name);
        if (!name_end)
            return kListMalformed;
        at = name_end + 1;
        entry.marked = at < end && *at == '&';
        const char* dest = find(at, end, "dest");
        const char* dest_end = dest ? field(after(dest, 5, end), end, entry.dest) : nullptr;
        if (!dest_end || !dest_is_relative(entry.dest))
            return kListMalformed;
        at = dest_end;
        if (!visit(entry, context))
            return kListStopped;
    }
    return kListComplete;
}
