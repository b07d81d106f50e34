// kCDAFile and kMSF: the 44-byte track description files ("CDDA" RIFF form)
// of an audio CD, and CD positions packed as minutes, seconds and frames.
#pragma once
#include <stdint.h>
#include "kapi.h"

// Byte 0 frames (0-74), byte 1 seconds, byte 2 minutes, byte 3 zero.
class KAPI kMSF final {
public:
    uint32_t packed;

    // form 1: total frames (75 a second); form 2: total milliseconds, with
    // the frames' share truncated; any other form: the packed value itself.
    unsigned long value(unsigned long form);
};

class KAPI kCDAFile final {
public:
    // The fields carry a trailing underscore (as kBuffer's size_ does)
    // because the exported accessors own the plain names.
    uint16_t track_;
    kMSF start_;
    kMSF length_;
    uint32_t serial;  // the tick count at construction; open and close keep it

    kCDAFile();
    ~kCDAFile();

    // Reads a track file; 1 on success, 0 when it cannot be read or fails a
    // check (the fields read before the failure keep their new values).
    int open(char* path);
    // Creates or replaces a track file from the object; 1 when all 44 bytes
    // reached the file, else 0.
    int write(char* path);
    unsigned short track();
    unsigned long start(unsigned long form);   // start_.value(form)
    unsigned long length(unsigned long form);  // length_.value(form)
    // Track, start and length back to 0; always 1.
    int close();
};
