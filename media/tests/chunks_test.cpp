// Chunked compressed files: expansion chunk by chunk with zlib.
#include <gtest/gtest.h>
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

TEST_F(ChunkTest, CorruptChunkFailsAfterTheOnesBefore) {
    Bytes plain = random.bytes(300);
    Bytes image = chunk_bytes(plain, 100);
    size_t second = 8 + (image[0] | image[1] << 8);
    image[second + 8 + 5] ^= 0xFF;
    EXPECT_EQ(0, expand(image));
    EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 100), expanded());
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

}  // namespace
