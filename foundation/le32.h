// Little-endian 32-bit numbers in byte arrays: how the install media, the
// track files and the stored strings lay out every number, whatever the
// processor that reads them.
#pragma once
#include <stdint.h>

inline uint32_t get_le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24);
}

inline void put_le32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}
