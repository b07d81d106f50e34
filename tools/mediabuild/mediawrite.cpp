// Producers of the install media formats.
#include "mediawrite.h"
#include <string.h>
#include <zlib.h>
#include "masked.h"

namespace {

const size_t kEntrySize = 276;

// Where the archive goes: a stream, or memory when file is null.
struct Sink {
    FILE* file;
    Bytes* bytes;
    bool put(const unsigned char* p, size_t n) {
        if (file)
            return fwrite(p, 1, n, file) == n;
        bytes->insert(bytes->end(), p, p + n);
        return true;
    }
};

void put_le32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

void put_entry(unsigned char* entry, const std::string& name, uint32_t block_size, uint32_t length, uint32_t offset) {
    memset(entry, 0, kEntrySize);
    memcpy(entry, name.data(), name.size());
    put_le32(entry + 260, block_size);
    put_le32(entry + 268, length);
    put_le32(entry + 272, offset);
}

// Writes one member's records, reading its bytes from in or from bytes.
bool write_records(Sink& out, ArchiveMember& member, FILE* in, uint32_t k, MaskRandom& random,
                   ArchiveProgress progress, void* context, uint64_t& done) {
    Bytes data(k), mask(k);
    uint64_t remaining = member.length;
    while (remaining) {
        size_t n = remaining < k ? (size_t)remaining : k;
        memset(data.data(), 0, k);
        if (in ? fread(data.data(), 1, n, in) != n : false)
            return false;
        if (!in)
            memcpy(data.data(), member.bytes.data() + (member.length - remaining), n);
        random.fill(mask.data(), k);
        // The padding of the last record is random too: it carries nothing.
        random.fill(data.data() + n, k - n);
        for (size_t i = 0; i < n; i++)
            data[i] ^= mask[i];
        if (!out.put(data.data(), k) || !out.put(mask.data(), k))
            return false;
        remaining -= n;
        done += n;
        if (progress)
            progress(done, context);
    }
    return true;
}

}  // namespace

uint64_t MaskRandom::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void MaskRandom::fill(unsigned char* out, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t v = next();
        memcpy(out + i, &v, 8);
    }
    if (i < n) {
        uint64_t v = next();
        memcpy(out + i, &v, n - i);
    }
}

Bytes MaskRandom::bytes(size_t n) {
    Bytes out(n);
    fill(out.data(), n);
    return out;
}

Bytes chunk_bytes(const unsigned char* data, size_t n, size_t chunk_size, int level) {
    Bytes out;
    Bytes packed(compressBound(chunk_size));
    for (size_t at = 0; at < n; at += chunk_size) {
        size_t plain = n - at < chunk_size ? n - at : chunk_size;
        uLongf packed_length = packed.size();
        if (compress2(packed.data(), &packed_length, data + at, plain, level) != Z_OK)
            return Bytes();
        unsigned char header[8];
        put_le32(header, (uint32_t)packed_length);
        put_le32(header + 4, (uint32_t)plain);
        out.insert(out.end(), header, header + 8);
        out.insert(out.end(), packed.data(), packed.data() + packed_length);
    }
    return out;
}

Bytes mask_bytes(const Bytes& result, const Bytes& pad) {
    MaskedHeader header;
    header.format = 0;
    header.payload_length = (uint32_t)result.size();
    header.pad_length = (uint32_t)pad.size();
    header.pad_sum = mask_checksum(0, pad.data(), pad.size());
    header.result_sum = mask_checksum(0, result.data(), result.size());
    Bytes out(kMaskedHeaderSize);
    out.insert(out.end(), result.begin(), result.end());
    apply_pad(out.data() + kMaskedHeaderSize, result.size(), pad.data(), pad.size());
    header.payload_sum = mask_checksum(0, out.data() + kMaskedHeaderSize, result.size());
    encode_masked_header(header, out.data());
    return out;
}

static std::string write_archive(Sink& out, std::vector<ArchiveMember>& members, uint32_t block_size, MaskRandom& random,
                          ArchiveProgress progress, void* context) {
    if (block_size == 0)
        return "block size 0";
    uint64_t offset = kEntrySize * (members.size() + 1);
    Bytes directory(offset, 0);
    for (size_t i = 0; i < members.size(); i++) {
        ArchiveMember& m = members[i];
        if (m.name.empty() || m.name.size() > 259)
            return "member name '" + m.name + "' is empty or longer than 259 bytes";
        uint64_t records = (m.length + block_size - 1) / block_size;
        if (m.length > 0xFFFFFFFFull || offset > 0xFFFFFFFFull)
            return "archive grows past 4 GiB at member '" + m.name + "'";
        put_entry(directory.data() + i * kEntrySize, m.name, block_size, (uint32_t)m.length, (uint32_t)offset);
        offset += records * 2 * block_size;
    }
    if (offset > 0xFFFFFFFFull)
        return "archive grows past 4 GiB";
    if (!out.put(directory.data(), directory.size()))
        return "cannot write the directory";
    uint64_t done = 0;
    for (ArchiveMember& m : members) {
        FILE* in = nullptr;
        if (!m.path.empty() && !(in = fopen(m.path.c_str(), "rb")))
            return "cannot read " + m.path;
        bool ok = write_records(out, m, in, block_size, random, progress, context, done);
        if (in)
            fclose(in);
        if (!ok)
            return "cannot write the records of '" + m.name + "'";
    }
    return "";
}

std::string write_archive(FILE* out, std::vector<ArchiveMember>& members, uint32_t block_size, MaskRandom& random,
                          ArchiveProgress progress, void* context) {
    Sink sink = {out, nullptr};
    return write_archive(sink, members, block_size, random, progress, context);
}

Bytes archive_bytes(std::vector<ArchiveMember>& members, uint32_t block_size, MaskRandom& random) {
    Bytes image;
    Sink sink = {nullptr, &image};
    for (ArchiveMember& m : members)
        m.length = m.bytes.size();
    if (!write_archive(sink, members, block_size, random, nullptr, nullptr).empty())
        image.clear();
    return image;
}

bool read_file(const std::string& path, Bytes& out) {
    FILE* in = fopen(path.c_str(), "rb");
    if (!in)
        return false;
    out.clear();
    unsigned char block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof block, in)) > 0)
        out.insert(out.end(), block, block + n);
    bool ok = !ferror(in);
    fclose(in);
    return ok;
}

bool write_file(const std::string& path, const Bytes& bytes) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return fclose(out) == 0 && ok;
}

uint32_t crc_of(const Bytes& bytes) {
    return (uint32_t)crc32(crc32(0, nullptr, 0), bytes.data(), (uInt)bytes.size());
}
