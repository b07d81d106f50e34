// Masked install files: checksum, header and in-place unmasking.
#include "masked.h"
#include <stdio.h>
#include <string.h>
#include "kbuffer.h"
#include "kfile.h"

namespace {

uint32_t get_le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24);
}

void put_le32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

// Reads the header and the whole payload of the masked file. The payload
// length is checked against the file first, so a damaged header never makes
// us allocate what the file cannot hold.
int load_payload(char* masked_path, MaskedHeader& header, kBuffer& payload) {
    kFile file;
    unsigned char bytes[kMaskedHeaderSize];
    if (!file.open(masked_path, (char*)"rb") || !file.read(bytes, sizeof bytes))
        return 0;
    decode_masked_header(bytes, header);
    if (header.format != 0)
        return 0;
    if (header.payload_length == 0 || header.payload_length > file.size() - kMaskedHeaderSize)
        return 0;
    return payload.size(header.payload_length) && file.read(payload.pointer(), header.payload_length);
}

int pad_matches(const MaskedHeader& header, kBuffer& pad) {
    return pad.size() == header.pad_length && mask_checksum(0, pad.pointer(), pad.size()) == header.pad_sum;
}

}  // namespace

uint32_t mask_checksum(uint32_t sum, const void* bytes, unsigned long n) {
    const unsigned char* p = (const unsigned char*)bytes;
    // Eight bytes at a time (masked files run to tens of megabytes): after
    // them the sum has turned right by 8, and byte i of the eight by 7 - i,
    // which is the bytes shifted left by i (never past bit 14), combined,
    // then turned right by 7. The bytes are thus combined beside the sum's
    // chain of steps rather than in it.
    for (; n >= 8; n -= 8, p += 8) {
        uint32_t t = p[0] ^ (p[1] << 1) ^ (p[2] << 2) ^ (p[3] << 3) ^ (p[4] << 4) ^ (p[5] << 5) ^ (p[6] << 6) ^
                     ((uint32_t)p[7] << 7);
        sum = ((sum >> 8) | (sum << 24)) ^ ((t >> 7) | (t << 25));
    }
    for (; n != 0; n--)
        sum = ((sum >> 1) | (sum << 31)) ^ *p++;
    return sum;
}

void encode_masked_header(const MaskedHeader& header, unsigned char* out) {
    put_le32(out, header.format);
    put_le32(out + 4, header.payload_length);
    put_le32(out + 8, header.pad_length);
    put_le32(out + 12, header.pad_sum);
    put_le32(out + 16, header.result_sum);
    put_le32(out + 20, header.payload_sum);
}

void decode_masked_header(const unsigned char* in, MaskedHeader& header) {
    header.format = get_le32(in);
    header.payload_length = get_le32(in + 4);
    header.pad_length = get_le32(in + 8);
    header.pad_sum = get_le32(in + 12);
    header.result_sum = get_le32(in + 16);
    header.payload_sum = get_le32(in + 20);
}

void apply_pad(unsigned char* bytes, unsigned long length, const unsigned char* pad, unsigned long pad_length) {
    unsigned long n = length < pad_length ? length : pad_length, i = 0;
    // Four bytes at a time, then the rest.
    for (; i + 4 <= n; i += 4) {
        uint32_t word, mask;
        memcpy(&word, bytes + i, 4);
        memcpy(&mask, pad + i, 4);
        word ^= mask;
        memcpy(bytes + i, &word, 4);
    }
    for (; i < n; i++)
        bytes[i] ^= pad[i];
}

int unmask_file(char* masked_path, char* pad_path) {
    kFile pad_file;
    if (!pad_file.open(pad_path, (char*)"rb"))
        return 0;
    MaskedHeader header;
    kBuffer payload;
    if (!load_payload(masked_path, header, payload))
        return 0;
    kBuffer pad;
    if (!pad_file.GetImage(pad) || !pad_matches(header, pad))
        return 0;
    if (mask_checksum(0, payload.pointer(), payload.size()) != header.payload_sum)
        return 0;
    kFile out;
    if (!out.open(masked_path, (char*)"wb"))
        return 0;
    // The result is built in the payload's own buffer: the payload is not
    // needed once its checksum has passed.
    unsigned char* result = (unsigned char*)payload.pointer();
    apply_pad(result, payload.size(), (unsigned char*)pad.pointer(), pad.size());
    if (mask_checksum(0, result, payload.size()) != header.result_sum)
        return 0;
    if (!out.write(result, payload.size()) || fflush((FILE*)out) != 0)
        return 0;
    out.close();
    pad_file.close();
    remove(pad_path);
    return 1;
}
