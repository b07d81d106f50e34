// Producers of the install media formats: archive "files.dat", masked files
// with their pads, chunked compressed files, the install list. Used by the
// media builder and by the tests that need media to read.
#pragma once
#include <stdint.h>
#include <stdio.h>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// Mask and pad bytes: a fast generator (splitmix64), seeded by the caller.
class MaskRandom {
public:
    explicit MaskRandom(uint64_t seed) : state_(seed) {}
    void fill(unsigned char* out, size_t n);
    Bytes bytes(size_t n);

private:
    uint64_t next();
    uint64_t state_;
};

// Chunked compressed image of data: chunks of at most chunk_size plain bytes,
// each a header (C, U) and one zlib stream.
Bytes chunk_bytes(const unsigned char* data, size_t n, size_t chunk_size, int level = 6);
inline Bytes chunk_bytes(const Bytes& data, size_t chunk_size, int level = 6) {
    return chunk_bytes(data.data(), data.size(), chunk_size, level);
}

// Masked file image whose unmasked result is result: header, then result
// combined with pad over the first min(L, P) bytes.
Bytes mask_bytes(const Bytes& result, const Bytes& pad);

// One archive member: its bytes, or the file at path when path is not empty.
struct ArchiveMember {
    std::string name;
    Bytes bytes;
    std::string path;
    uint64_t length;  // taken from bytes, or from the file when path is given
};

// Writes the archive: directory of n entries and the end entry, then each
// member's records of block_size data and block_size mask bytes. progress,
// when given, is called with the bytes done so far. Returns "" or a message.
typedef void (*ArchiveProgress)(uint64_t done, void* context);
std::string write_archive(FILE* out, std::vector<ArchiveMember>& members, uint32_t block_size, MaskRandom& random,
                          ArchiveProgress progress = nullptr, void* context = nullptr);
// The same into memory (members from bytes only).
Bytes archive_bytes(std::vector<ArchiveMember>& members, uint32_t block_size, MaskRandom& random);

// Bytes of a whole file; false when it cannot be read.
bool read_file(const std::string& path, Bytes& out);
bool write_file(const std::string& path, const Bytes& bytes);
// CRC-32 of bytes (zlib's), for the builder's content list.
uint32_t crc_of(const Bytes& bytes);
