// kBuffer: one heap block of bytes with its size, always followed by a zero byte.
#pragma once
#include "kapi.h"

class KAPI kBuffer final {
public:
    void* data;          // null when empty
    unsigned long size_; // usable bytes

    kBuffer();
    explicit kBuffer(unsigned long n);  // size(n); empty if that fails
    ~kBuffer();
    kBuffer(const kBuffer&) = delete;

    // Discards the contents, then makes a zero-filled block of n usable bytes
    // plus one zero byte. size(0) leaves the buffer empty and returns 1.
    // 0 when the block cannot be allocated (the buffer is then empty).
    int size(unsigned long n);
    // Changes the usable size to n, keeping the old bytes; new bytes are not
    // cleared. 0 on failure, and the buffer is then exactly as it was.
    int resize(unsigned long n);
    unsigned long size();
    operator void*();
    void* pointer();
    // Becomes a copy of other's bytes; empty if the allocation fails.
    kBuffer& operator=(kBuffer& other);
    // Appends other's bytes; unchanged if the allocation fails.
    kBuffer& operator+=(kBuffer& other);
    // Releases the block; always 1.
    int flush();
    // Replaces the contents by a copy of n bytes at p; 0 (buffer empty) when
    // the allocation fails.
    int give(void* p, unsigned long n);
};
