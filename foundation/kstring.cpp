// kString: text copies, comparison, formatting and splitting.
#include "kstring.h"
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <new>
#include "kbuffer.h"
#include "mbcs.h"

static const unsigned long kWorkSize = 0x10000;

kString::kString() : text(nullptr) {}

kString::kString(char* p) : text(nullptr) {
    set(p);
}

kString::kString(kString& other) : text(nullptr) {
    set(other);
}

kString::~kString() {
    clear();
}

kString& kString::operator=(const char* p) {
    if (p != text)
        set(p);
    return *this;
}

kString& kString::operator=(const kString& other) {
    if (&other != this)
        set(other);
    return *this;
}

static int texts_equal(const char* a, const char* b) {
    if (!a || !b)
        return a == b;
    while (*a && *b) {
        int n = mb_char_size(a);
        if (n != mb_char_size(b) || memcmp(a, b, n) != 0)
            return 0;
        a += n;
        b += n;
    }
    return *a == *b;
}

int kString::operator==(kString& other) {
    return texts_equal(text, other.text);
}

int kString::operator==(char* p) {
    return texts_equal(text, p);
}

kString::operator char*() {
    return text;
}

kString::operator unsigned char*() {
    return (unsigned char*)text;
}

int kString::set(const char* p) {
    clear();
    if (!p)
        return 1;
    size_t n = strlen(p) + 1;
    char* copy = (char*)malloc(n);
    if (!copy)
        return 0;
    memcpy(copy, p, n);
    text = copy;
    return 1;
}

int kString::set(const kString& other) {
    if (&other == this)
        return 1;
    return set(other.text);
}

void kString::clear() {
    free(text);
    text = nullptr;
}

int kString::sprintf(char* format, ...) {
    kBuffer work(kWorkSize);
    if (!work.pointer())
        return 0;
    va_list args;
    va_start(args, format);
    // The work buffer keeps a zero byte after its room.
    kvsnprintf((char*)work.pointer(), kWorkSize, format, args);
    va_end(args);
    return set((char*)work.pointer());
}

int append_copy(kPtrVector<kString>& list, const char* text) {
    kString* copy = new (std::nothrow) kString;
    if (!copy)
        return 0;
    if (!copy->set(text) || list.append(copy) < 0) {
        delete copy;
        return 0;
    }
    return 1;
}

int kString::split(char* separator, kPtrVector<kString>& out) {
    if (!separator || !text || !*separator)
        return 0;
    size_t seplen = strlen(separator);
    char* cursor = text;
    int appended = 0;
    for (;;) {
        char* cut = strstr(cursor, separator);
        char saved = 0;
        if (cut) {
            saved = *cut;
            *cut = 0;
        }
        if (*cursor)
            appended += append_copy(out, cursor);
        if (!cut)
            break;
        *cut = saved;
        cursor = cut + seplen;
        if (!*cursor)
            break;
    }
    return appended;
}
