// Chunked compressed install files: expansion with zlib's stream inflater.
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

unsigned long get_le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((unsigned long)p[3] << 24);
}

}  // namespace

// zlib's stream inflater, in one call straight into the plain block: it
// checks the stream's header and its Adler-32 sum itself, and with the whole
// output in one block it never needs a window of its own. (zlib is built
// without gzip support for it: a chunk is a zlib stream and nothing else.)
int ChunkExpander::inflate_stream(unsigned long packed, unsigned long* produced, unsigned long* consumed) {
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (inflateInit(&stream) != Z_OK)
        return 0;
    stream.next_in = packed_;
    stream.avail_in = (uInt)packed;
    stream.next_out = plain_;
    stream.avail_out = (uInt)*produced;
    int status = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return 0;
    *produced -= stream.avail_out;
    *consumed = packed - stream.avail_in;
    return 1;
}

ChunkExpander::ChunkExpander(int strict)
    : chunks(0), plain_bytes(0), strict_(strict), packed_(nullptr), plain_(nullptr), packed_capacity_(0),
      plain_capacity_(0) {}

ChunkExpander::~ChunkExpander() {
    free(packed_);
    free(plain_);
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
