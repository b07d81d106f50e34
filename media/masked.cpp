// Masked install files: checksum, header and in-place unmasking.
#include "masked.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "kfile.h"
#include "le32.h"
#include "mediaos.h"

namespace {

// The block that unmasking streams through: payload and pad a block at a
// time, so that files of tens of megabytes need no memory of their size.
const unsigned long kBlock = 65536;

// The length of the block at offset at of something end bytes long.
unsigned long block_at(unsigned long at, unsigned long end) {
    return end - at < kBlock ? end - at : kBlock;
}

// The steps of one rotation by a bit and one byte in, byte by byte.
uint32_t checksum_bytes(uint32_t sum, const unsigned char* p, unsigned long n) {
    for (; n != 0; n--)
        sum = ((sum >> 1) | (sum << 31)) ^ *p++;
    return sum;
}

// The masked file and its pad, open for reading, and the header checked.
struct MaskedFiles {
    kFile masked, pad;
    MaskedHeader header;
    unsigned char* block;  // kBlock bytes of payload, then kBlock of pad
    MaskedFiles() : block((unsigned char*)malloc(2 * kBlock)) {}
    ~MaskedFiles() { free(block); }
    MaskedFiles(const MaskedFiles&) = delete;
    MaskedFiles& operator=(const MaskedFiles&) = delete;

    // Reads the header; the payload length is checked against the file, so
    // a damaged header never promises more than the file holds.
    int open(char* masked_path, char* pad_path) {
        unsigned char bytes[kMaskedHeaderSize];
        if (!block || !pad.open(pad_path, (char*)"rb") || !masked.open(masked_path, (char*)"rb") ||
            !masked.read(bytes, sizeof bytes))
            return 0;
        decode_masked_header(bytes, header);
        return header.format == 0 && header.payload_length != 0 &&
               header.payload_length <= masked.size() - kMaskedHeaderSize;
    }

    // Reads the block at offset at of the payload (*n bytes, none past its
    // end) into block and of the pad (*pad_n bytes) after it.
    int read_block(unsigned long at, unsigned long* n, unsigned long* pad_n) {
        *n = at < header.payload_length ? block_at(at, header.payload_length) : 0;
        *pad_n = at < header.pad_length ? block_at(at, header.pad_length) : 0;
        return (*n == 0 || (masked.seek(kMaskedHeaderSize + at, 0) && masked.read(block, *n))) &&
               (*pad_n == 0 || (pad.seek(at, 0) && pad.read(block + kBlock, *pad_n)));
    }
};

// Checks the pad's length and the three sums in one pass over both files,
// before anything is written: payload_sum over the payload as stored,
// pad_sum over the whole pad, result_sum over the payload combined with it.
// 1 when all pass; 0 with *result_failed set when only the result's fails.
int verify(MaskedFiles& f, int* result_failed) {
    const MaskedHeader& h = f.header;
    unsigned long size = f.pad.size(), n, pad_n;
    if (size == 0 || size != h.pad_length)
        return 0;
    uint32_t payload_sum = 0, pad_sum = 0, result_sum = 0;
    for (unsigned long at = 0; at < h.payload_length || at < size; at += kBlock) {
        if (!f.read_block(at, &n, &pad_n))
            return 0;
        payload_sum = mask_checksum(payload_sum, f.block, n);
        pad_sum = mask_checksum(pad_sum, f.block + kBlock, pad_n);
        apply_pad(f.block, n, f.block + kBlock, pad_n);
        result_sum = mask_checksum(result_sum, f.block, n);
    }
    if (pad_sum != h.pad_sum || payload_sum != h.payload_sum)
        return 0;
    *result_failed = result_sum != h.result_sum;
    return !*result_failed;
}

// Writes the result over the masked file through the same stream that reads
// it, each block 24 bytes before where its payload lay (the header goes,
// and no block is written before it has been read), then cuts the file to
// the result's length.
int write_result(MaskedFiles& f, char* masked_path) {
    if (!f.masked.open(masked_path, (char*)"r+b"))
        return 0;
    unsigned long n, pad_n;
    for (unsigned long at = 0; at < f.header.payload_length; at += kBlock) {
        if (!f.read_block(at, &n, &pad_n))
            return 0;
        apply_pad(f.block, n, f.block + kBlock, pad_n);
        if (!f.masked.seek(at, 0) || !f.masked.write(f.block, n))
            return 0;
    }
    return truncate_stream((FILE*)f.masked, f.header.payload_length);
}

}  // namespace

uint32_t mask_checksum(uint32_t sum, const void* bytes, unsigned long n) {
    const unsigned char* p = (const unsigned char*)bytes;
    // Masked files run to tens of megabytes. The sum is linear, and bytes 32
    // apart are turned by the same amount before the sum's end, while a
    // whole number of 32-byte groups turns the sum itself full circle: so
    // the groups are first combined by exclusive-or, a word at a time, and
    // only their combination is summed byte by byte.
    if (n >= 32) {
        uint32_t group[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        for (; n >= 32; n -= 32, p += 32) {
            for (int w = 0; w < 8; w++) {
                uint32_t word;
                memcpy(&word, p + 4 * w, 4);
                group[w] ^= word;
            }
        }
        sum ^= checksum_bytes(0, (const unsigned char*)group, 32);
    }
    return checksum_bytes(sum, p, n);
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
    MaskedFiles files;
    if (!files.open(masked_path, pad_path))
        return 0;
    int result_failed = 0;
    if (!verify(files, &result_failed)) {
        // A result that fails its sum leaves the masked file empty, as when
        // the result is built where the masked file was.
        if (result_failed) {
            files.masked.close();
            kFile emptied;
            emptied.open(masked_path, (char*)"wb");
        }
        return 0;
    }
    if (!write_result(files, masked_path))
        return 0;
    files.masked.close();
    files.pad.close();
    remove(pad_path);
    return 1;
}
