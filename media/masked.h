// Masked install files: a 24-byte header, then a payload that is restored by
// exclusive-or with a separate pad file; three checksums guard the result.
#pragma once
#include <stdint.h>

struct MaskedHeader {
    uint32_t format;          // must be 0
    uint32_t payload_length;  // L: payload and result length
    uint32_t pad_length;      // P: exact length the pad file must have
    uint32_t pad_sum;         // checksum of the whole pad
    uint32_t result_sum;      // checksum of the unmasked result
    uint32_t payload_sum;     // checksum of the stored payload
};
enum { kMaskedHeaderSize = 24 };

// The masked files' checksum, continued from sum over n more bytes: per
// byte, rotate right by one bit, then exclusive-or the byte in. Start at 0.
uint32_t mask_checksum(uint32_t sum, const void* bytes, unsigned long n);

// The header's 24 bytes (little-endian) and back.
void encode_masked_header(const MaskedHeader& header, unsigned char* out);
void decode_masked_header(const unsigned char* in, MaskedHeader& header);

// Combines the first min(length, pad_length) bytes with the pad; the rest
// stays as it is.
void apply_pad(unsigned char* bytes, unsigned long length, const unsigned char* pad, unsigned long pad_length);

// Unmasks the masked file at masked_path in place with the pad file at
// pad_path, then deletes the pad file. 1 on success; 0 for a format other
// than 0, a payload or pad of length 0, a pad whose length is not P, or any
// checksum that fails. A failure at the result's checksum leaves the masked
// file empty; earlier failures leave both files as they were.
int unmask_file(char* masked_path, char* pad_path);
