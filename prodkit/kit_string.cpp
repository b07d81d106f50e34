// String: the kit's string value, and the allocation that ends the process
// when memory runs out.
#include <stdlib.h>
#include <string.h>
#include "prodkit.h"
#include "kit_internal.h"

void kit_out_of_memory() {
    fputs("out of memory", stderr);
    exit(1);
}

void* kit_allocate(size_t size) {
    void* block = malloc(size ? size : 1);
    if (!block)
        kit_out_of_memory();
    return block;
}

// The empty value's bytes: shared, never written, never freed.
static char empty_text[1] = "";

// A copy of length bytes with a zero byte after them.
static char* copy_bytes(const char* bytes, unsigned long length) {
    if (length == 0)
        return empty_text;
    // A length whose terminator would wrap the size round is as unobtainable
    // as any other block that does not fit.
    if ((size_t)length + 1 == 0 || (unsigned long)(size_t)length != length)
        kit_out_of_memory();
    char* copy = (char*)kit_allocate((size_t)length + 1);
    memcpy(copy, bytes, length);
    copy[length] = 0;
    return copy;
}

String::String() : bytes_(empty_text), length_(0) {}

String::String(const char* text) : length_(text ? (unsigned long)strlen(text) : 0) {
    bytes_ = copy_bytes(text, length_);
}

String::String(const char* bytes, unsigned long length) : bytes_(copy_bytes(bytes, length)), length_(length) {}

String::String(const String& other) : bytes_(copy_bytes(other.bytes_, other.length_)), length_(other.length_) {}

String& String::operator=(const String& other) {
    if (this != &other) {
        char* copy = copy_bytes(other.bytes_, other.length_);
        if (bytes_ != empty_text)
            free(bytes_);
        bytes_ = copy;
        length_ = other.length_;
    }
    return *this;
}

String::~String() {
    if (bytes_ != empty_text)
        free(bytes_);
}

unsigned long String::length() {
    return length_;
}

const char* String::data() {
    return bytes_;
}
