// Chunked compressed files: expansion chunk by chunk with zlib.
#include <gtest/gtest.h>
#include <zlib.h>
#include "chunks.h"
#include "mediawrite.h"
#include "tempfolder.h"

namespace {

class ChunkTest : public ::testing::Test {
protected:
    // Expands image into out; the expander's result.
    int expand(const Bytes& image, int strict = 0) {
        EXPECT_TRUE(put_file(folder.path("in"), image));
        kFile in, out;
        EXPECT_EQ(1, in.open((char*)folder.path("in").c_str(), (char*)"rb"));
        EXPECT_EQ(1, out.open((char*)folder.path("out").c_str(), (char*)"wb"));
        ChunkExpander expander(strict);
        int ok = expander.expand(in, &out);
        chunks = expander.chunks;
        return ok;
    }
    Bytes expanded() { return file_bytes(folder.path("out")); }
    static void set_le32(Bytes& image, size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            image[at + i] = (unsigned char)(v >> (8 * i));
    }

    // One chunk: the header with the stream's length and room bytes, then the stream.
    static Bytes one_chunk(const Bytes& stream, size_t room) {
        Bytes image(8);
        set_le32(image, 0, (uint32_t)stream.size());
        set_le32(image, 4, (uint32_t)room);
        image.insert(image.end(), stream.begin(), stream.end());
        return image;
    }
    // A zlib stream of plain made by zlib's deflate with the given window.
    static Bytes zlib_stream(const Bytes& plain, int level, int window_bits = 15, int strategy = Z_DEFAULT_STRATEGY) {
        z_stream z = {};
        EXPECT_EQ(Z_OK, deflateInit2(&z, level, Z_DEFLATED, window_bits, 8, strategy));
        Bytes out(deflateBound(&z, plain.size()) + 16);
        z.next_in = (Bytef*)plain.data();
        z.avail_in = (uInt)plain.size();
        z.next_out = out.data();
        z.avail_out = (uInt)out.size();
        EXPECT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
        out.resize(z.total_out);
        deflateEnd(&z);
        return out;
    }
    // zlib's own verdict: uncompress into room bytes, and in strict mode
    // uncompress2 that must also use the whole stream and fill the room.
    static int zlib_verdict(const Bytes& stream, size_t room, int strict, Bytes& plain) {
        plain.assign(room + 1, 0);
        uLongf produced = room;
        uLong consumed = stream.size();
        int ok = uncompress2(plain.data(), &produced, stream.data(), &consumed) == Z_OK;
        plain.resize(ok ? produced : 0);
        return ok && (!strict || (produced == room && consumed == stream.size()));
    }
    // The expander and zlib's uncompress agree on stream into room bytes,
    // in both modes, and on the bytes made.
    void expect_as_zlib(const Bytes& stream, size_t room, const std::string& what) {
        for (int strict = 0; strict < 2; strict++) {
            Bytes plain;
            int verdict = zlib_verdict(stream, room, strict, plain);
            ASSERT_EQ(verdict, expand(one_chunk(stream, room), strict)) << what << ", strict " << strict;
            if (verdict) {
                EXPECT_EQ(plain, expanded()) << what;
            }
        }
    }

    TempFolder folder;
    unsigned long chunks = 0;
    MaskRandom random{11};
};

TEST_F(ChunkTest, ChunksExpandBackToBack) {
    Bytes plain = random.bytes(5000);
    plain.insert(plain.end(), 3000, 'z');
    ASSERT_EQ(1, expand(chunk_bytes(plain, 4096)));
    EXPECT_EQ(2ul, chunks);
    EXPECT_EQ(plain, expanded());
}

TEST_F(ChunkTest, EmptyFileGivesEmptyResult) {
    ASSERT_EQ(1, expand(Bytes()));
    EXPECT_TRUE(file_exists(folder.path("out")));
    EXPECT_TRUE(expanded().empty());
}

// Chunks after the first are written on a second thread while the next
// expands: whichever chunk fails, exactly the ones before it are in the
// file when the expansion returns.
TEST_F(ChunkTest, CorruptChunkFailsAfterTheOnesBefore) {
    Bytes plain = random.bytes(700);
    Bytes image = chunk_bytes(plain, 100);
    for (size_t bad : {0, 1, 2, 5, 6}) {
        size_t at = 0;
        for (size_t i = 0; i < bad; i++)
            at += 8 + (image[at] | image[at + 1] << 8);
        Bytes damaged = image;
        damaged[at + 8 + 5] ^= 0xFF;
        EXPECT_EQ(0, expand(damaged)) << bad;
        EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 100 * bad), expanded()) << bad;
    }
}

// Many chunks, an empty one among them, come out back to back.
TEST_F(ChunkTest, ManyChunksKeepTheirOrder) {
    Bytes plain = random.bytes(30000);
    Bytes image = chunk_bytes(Bytes(plain.begin(), plain.begin() + 10000), 1000);
    Bytes empty = one_chunk(zlib_stream(Bytes(), 6), 0), rest = chunk_bytes(Bytes(plain.begin() + 10000, plain.end()), 3000);
    image.insert(image.end(), empty.begin(), empty.end());
    image.insert(image.end(), rest.begin(), rest.end());
    ASSERT_EQ(1, expand(image));
    EXPECT_EQ(18ul, chunks);
    EXPECT_EQ(plain, expanded());
}

TEST_F(ChunkTest, DamagedHeadersFailCleanly) {
    Bytes image = chunk_bytes(random.bytes(200), 200);
    struct {
        int line;
        size_t at;
        uint32_t value;
    } cases[] = {
        {__LINE__, 0, 0xFFFFFFF0u},  // packed length past the end of the file
        {__LINE__, 0, (uint32_t)image.size() - 7},
        {__LINE__, 4, 0xFFFFFFFFu},  // plain length no zlib stream can reach
        {__LINE__, 4, 199},          // room for less than the stream gives
        {__LINE__, 0, 0},
    };
    for (auto& c : cases) {
        Bytes bad = image;
        set_le32(bad, c.at, c.value);
        EXPECT_EQ(0, expand(bad)) << "line " << c.line;
    }
    Bytes truncated_header = image;
    truncated_header.insert(truncated_header.end(), {1, 0, 0, 0, 1});
    EXPECT_EQ(0, expand(truncated_header));
    EXPECT_EQ(1ul, chunks);
}

TEST_F(ChunkTest, StrictModeAlsoChecksExactLengths) {
    Bytes plain = random.bytes(200);
    Bytes roomy = chunk_bytes(plain, 200);
    set_le32(roomy, 4, 260);  // more room than the chunk fills
    EXPECT_EQ(1, expand(roomy, 0));
    EXPECT_EQ(plain, expanded());
    EXPECT_EQ(0, expand(roomy, 1));
    Bytes trailing = chunk_bytes(plain, 200);
    trailing.insert(trailing.begin() + 8 + (trailing[0] | trailing[1] << 8), {0xAA, 0xBB});
    set_le32(trailing, 0, (trailing[0] | trailing[1] << 8) + 2);
    EXPECT_EQ(1, expand(trailing, 0));
    EXPECT_EQ(0, expand(trailing, 1));
}

// The installer's expansion took the place of zlib's uncompress: it must
// accept and refuse the same streams, whole or damaged.
TEST_F(ChunkTest, StreamsSucceedAndFailAsWithZlibsUncompress) {
    Bytes text = random.bytes(150);
    for (int i = 0; i < 300; i++)
        text.push_back("install list "[i % 13]);
    Bytes repeated;
    for (int i = 0; i < 100; i++)
        repeated.insert(repeated.end(), text.begin(), text.end());
    struct {
        int line;
        size_t plain_size;
        Bytes stream;
    } cases[] = {
        {__LINE__, text.size(), zlib_stream(text, 9)},               // dynamic codes, long matches
        {__LINE__, text.size(), zlib_stream(text, 1, 15, Z_FIXED)},  // fixed codes
        {__LINE__, text.size(), zlib_stream(text, 0)},               // stored blocks
        {__LINE__, 0, zlib_stream(Bytes(), 6)},                      // nothing at all
        {__LINE__, repeated.size(), zlib_stream(repeated, 9)},       // more than a window
        {__LINE__, text.size(), zlib_stream(text, 6, 9)},            // the smallest window
        {__LINE__, text.size(), zlib_stream(text, 6, 31)},           // gzip's wrapper: refused
        {__LINE__, text.size(), zlib_stream(text, 6, -15)},          // no wrapper: refused
    };
    for (auto& c : cases) {
        std::string name = "line " + std::to_string(c.line);
        for (size_t room : {c.plain_size, c.plain_size + 3, c.plain_size ? c.plain_size - 1 : 1})
            expect_as_zlib(c.stream, room, name + " room " + std::to_string(room));
        Bytes longer = c.stream;
        longer.insert(longer.end(), {0, 1, 2});
        expect_as_zlib(longer, c.plain_size, name + " with bytes after it");
        for (size_t cut = 0; cut < c.stream.size(); cut += 1 + cut / 64)
            expect_as_zlib(Bytes(c.stream.begin(), c.stream.begin() + cut), c.plain_size, name + " cut at " + std::to_string(cut));
    }
    // Every byte of a stream with dynamic codes, its header and check included, damaged.
    Bytes stream = zlib_stream(text, 9);
    for (size_t at = 0; at < stream.size(); at++) {
        for (unsigned char flip : {0x01, 0x10, 0x80, 0xFF}) {
            Bytes bad = stream;
            bad[at] ^= flip;
            expect_as_zlib(bad, text.size(), "byte " + std::to_string(at) + " flipped by " + std::to_string(flip));
        }
    }
    // Valid header checks on a window zlib does not take, and on a preset dictionary.
    for (unsigned char flags : {0x00, 0x20}) {
        for (unsigned char method : {0x78, 0x88}) {
            Bytes header = stream;
            header[0] = method;
            header[1] = (unsigned char)(flags + (31 - ((method << 8) | flags) % 31) % 31);
            expect_as_zlib(header, text.size(), "header " + std::to_string(method) + " " + std::to_string(header[1]));
        }
    }
}

}  // namespace
