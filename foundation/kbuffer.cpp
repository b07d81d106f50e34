// kBuffer: heap byte block with a trailing zero byte.
#include "kbuffer.h"
#include <stdlib.h>
#include <string.h>

kBuffer::kBuffer() : data(nullptr), size_(0) {}

kBuffer::kBuffer(unsigned long n) : data(nullptr), size_(0) {
    size(n);
}

kBuffer::~kBuffer() {
    flush();
}

int kBuffer::size(unsigned long n) {
    flush();
    if (n == 0)
        return 1;
    if (n + 1 == 0)
        return 0;
    void* p = calloc(n + 1, 1);
    if (!p)
        return 0;
    data = p;
    size_ = n;
    return 1;
}

int kBuffer::resize(unsigned long n) {
    if (n + 1 == 0)
        return 0;
    void* p = realloc(data, n + 1);
    if (!p)
        return 0;
    data = p;
    size_ = n;
    return 1;
}

unsigned long kBuffer::size() {
    return size_;
}

kBuffer::operator void*() {
    return data;
}

void* kBuffer::pointer() {
    return data;
}

kBuffer& kBuffer::operator=(kBuffer& other) {
    if (&other == this)
        return *this;
    if (size(other.size()) && size_)
        memcpy(data, other.data, size_);
    return *this;
}

kBuffer& kBuffer::operator+=(kBuffer& other) {
    unsigned long old = size_;
    unsigned long add = other.size_;
    if (add == 0)
        return *this;
    if (old + add < old)
        return *this;
    if (resize(old + add))
        memmove((char*)data + old, other.data, add);  // other may be *this
    return *this;
}

int kBuffer::flush() {
    free(data);
    data = nullptr;
    size_ = 0;
    return 1;
}

int kBuffer::give(void* p, unsigned long n) {
    flush();
    if (!size(n))
        return 0;
    if (n)
        memcpy(data, p, n);
    return 1;
}
