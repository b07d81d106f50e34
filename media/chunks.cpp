// Chunked compressed install files: expansion with zlib's raw inflater.
#include "chunks.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

namespace {

// Deflate cannot expand one byte into more than 1,032: a plain length beyond
// that is damage, and refusing it keeps a forged header from making us
// allocate gigabytes.
const unsigned long long kMaxExpansion = 1032;

// zlib streams name a window of at most 32 KiB, as zlib's own inflater allows.
enum { kWindowBits = 15, kWindowSize = 1 << kWindowBits };

const unsigned long kAdlerModulus = 65521;
// The most bytes the Adler-32 sums take before they must be reduced, so
// that they never overflow 32 bits.
const unsigned long kAdlerRun = 5552;

unsigned long get_le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((unsigned long)p[3] << 24);
}

unsigned long get_be32(const unsigned char* p) {
    return ((unsigned long)p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

unsigned long adler32_update(unsigned long adler, const unsigned char* p, unsigned long n) {
    unsigned long a = adler & 0xFFFF, b = adler >> 16;
    while (n) {
        unsigned long run = n < kAdlerRun ? n : kAdlerRun;
        n -= run;
        while (run--) {
            a += *p++;
            b += a;
        }
        a %= kAdlerModulus;
        b %= kAdlerModulus;
    }
    return b << 16 | a;
}

// Where inflateBack puts what it expands: the plain block, its room and the
// running Adler-32 of what went in.
struct Output {
    unsigned char* next;
    unsigned long room;
    unsigned long adler;
};

// The whole stream is handed to inflateBack up front: a call for more input
// means the stream is cut short.
unsigned no_more_input(void*, unsigned char**) {
    return 0;
}

int take_output(void* descriptor, unsigned char* data, unsigned n) {
    Output& out = *(Output*)descriptor;
    if (n > out.room)
        return 1;
    memcpy(out.next, data, n);
    out.next += n;
    out.room -= n;
    out.adler = adler32_update(out.adler, data, n);
    return 0;
}

// 1 when a zlib stream header (deflate, a window zlib's 32 KiB holds, no
// preset dictionary, a valid check) opens packed.
int zlib_header(const unsigned char* packed, unsigned long size) {
    if (size < 2)
        return 0;
    unsigned method = packed[0] & 15, window = packed[0] >> 4, dictionary = packed[1] & 0x20;
    return method == Z_DEFLATED && window <= kWindowBits - 8 && !dictionary && (packed[0] << 8 | packed[1]) % 31 == 0;
}

}  // namespace

// The same streams succeed and fail as with zlib's uncompress, which this
// replaces: uncompress brings in zlib's stream inflater with its gzip
// support and both checksums' tables, more than twice the code of the raw
// inflater, the header and the Adler-32 check here.
int ChunkExpander::inflate_stream(unsigned long packed, unsigned long* produced, unsigned long* consumed) {
    if (!zlib_header(packed_, packed))
        return 0;
    if (!window_ && !(window_ = (unsigned char*)malloc(kWindowSize)))
        return 0;
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (inflateBackInit(&stream, kWindowBits, window_) != Z_OK)
        return 0;
    stream.next_in = packed_ + 2;
    stream.avail_in = (uInt)(packed - 2);
    Output out = {plain_, *produced, 1};
    int status = inflateBack(&stream, no_more_input, nullptr, take_output, &out);
    unsigned long left = stream.avail_in;
    inflateBackEnd(&stream);
    if (status != Z_STREAM_END || left < 4 || get_be32(stream.next_in) != out.adler)
        return 0;
    *produced = (unsigned long)(out.next - plain_);
    *consumed = packed - left + 4;
    return 1;
}

ChunkExpander::ChunkExpander(int strict)
    : chunks(0), plain_bytes(0), strict_(strict), packed_(nullptr), plain_(nullptr), packed_capacity_(0),
      plain_capacity_(0), window_(nullptr) {}

ChunkExpander::~ChunkExpander() {
    free(packed_);
    free(plain_);
    free(window_);
}

int ChunkExpander::grow(unsigned char*& block, unsigned long& capacity, unsigned long n) {
    if (n <= capacity && block)
        return 1;
    free(block);
    capacity = 0;
    // One spare byte: a zero-length block still has an address.
    block = (unsigned char*)malloc(n + 1);
    if (!block)
        return 0;
    capacity = n;
    return 1;
}

int ChunkExpander::expand_one(kFile& source, unsigned long remaining, kFile* destination) {
    unsigned char header[kChunkHeaderSize];
    if (remaining < kChunkHeaderSize || !source.read(header, sizeof header))
        return 0;
    unsigned long packed = get_le32(header), plain = get_le32(header + 4);
    if (packed > remaining - kChunkHeaderSize || plain > packed * kMaxExpansion)
        return 0;
    if (!grow(packed_, packed_capacity_, packed) || !grow(plain_, plain_capacity_, plain))
        return 0;
    if (!source.read(packed_, packed))
        return 0;
    unsigned long produced = plain, consumed = 0;
    if (!inflate_stream(packed, &produced, &consumed))
        return 0;
    if (strict_ && (produced != plain || consumed != packed))
        return 0;
    if (destination && !destination->write(plain_, produced))
        return 0;
    chunks++;
    plain_bytes += produced;
    return 1;
}

int ChunkExpander::expand(kFile& source, kFile* destination) {
    chunks = 0;
    plain_bytes = 0;
    unsigned long size = source.size();
    for (unsigned long at = source.tell(); at < size; at = source.tell()) {
        if (!expand_one(source, size - at, destination))
            return 0;
    }
    return !destination || fflush((FILE*)*destination) == 0;
}

int expand_chunk_file(char* source_path, kFile& destination) {
    kFile source;
    if (!source.open(source_path, (char*)"rb"))
        return 0;
    ChunkExpander expander(0);
    return expander.expand(source, &destination);
}
