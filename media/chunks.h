// Chunked compressed install files: a sequence of chunks up to the end of the
// file, each an 8-byte header (packed length C, plain length U, little-endian)
// and one complete zlib stream of C bytes that expands to U bytes.
#pragma once
#include "kfile.h"

enum { kChunkHeaderSize = 8 };

// Expansion of one chunk stream, chunk by chunk, with working blocks that
// grow to the largest chunk seen (so the chunk size bounds the memory used):
// one for the packed chunk and two for the plain, one of which is written
// to the destination on a second thread while the next chunk expands.
class ChunkExpander {
public:
    // strict: also require every chunk to consume exactly its C bytes and
    // produce exactly its U bytes (the media check); without it the stream
    // alone decides, as in the installer: it must end, with its check,
    // within the C bytes and fit in U bytes.
    explicit ChunkExpander(int strict);
    ~ChunkExpander();
    ChunkExpander(const ChunkExpander&) = delete;
    ChunkExpander& operator=(const ChunkExpander&) = delete;

    // Expands the chunks from source's position to its end and writes them
    // to destination (nothing is written when it is null). 1 on success; 0
    // for a short header or chunk, a length that the file cannot hold, a
    // chunk that does not expand, or a failed write. The chunks before a
    // failing one have been written.
    int expand(kFile& source, kFile* destination);

    unsigned long chunks;           // chunks expanded by the last expand
    unsigned long long plain_bytes; // bytes they produced

private:
    int grow(unsigned char*& block, unsigned long& capacity, unsigned long n);
    // writer: where the chunk goes (the expansion's block writer), or null.
    int expand_one(kFile& source, unsigned long remaining, void* writer);
    // Expands the zlib stream at the start of the packed block into the
    // plain block, which has room for *produced bytes. 1 when the stream
    // ends, with a matching check, within the packed bytes and fits; then
    // *produced is what it made and *consumed its length. 0 otherwise.
    int inflate_stream(unsigned char* plain, unsigned long packed, unsigned long* produced, unsigned long* consumed);

    int strict_;
    unsigned char* packed_;
    unsigned char* plain_[2];  // taken in turn: one is written while the next chunk expands
    unsigned long packed_capacity_;
    unsigned long plain_capacity_[2];
};

// Expands the whole chunk file at source_path into destination (a stream
// open for writing), as the installer does. 1 on success.
int expand_chunk_file(char* source_path, kFile& destination);
