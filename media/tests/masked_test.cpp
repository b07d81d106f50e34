// Masked files: the checksum and unmasking with a pad file.
#include <gtest/gtest.h>
#include "masked.h"
#include "mediawrite.h"
#include "tempfolder.h"

namespace {

TEST(MaskChecksum, RotatesRightThenCombines) {
    const unsigned char one[] = {1}, two[] = {1, 1};
    EXPECT_EQ(0u, mask_checksum(0, one, 0));
    EXPECT_EQ(1u, mask_checksum(0, one, 1));
    EXPECT_EQ(0x80000001u, mask_checksum(0, two, 2));
    const unsigned char text[] = "split anywhere";
    EXPECT_EQ(mask_checksum(0, text, 14), mask_checksum(mask_checksum(0, text, 5), text + 5, 9));
}

// The checksum and the pad take several bytes a step: every length (one,
// two and three 32-byte groups and the bytes around them) and starting sum
// against the byte-at-a-time rule, high bytes included.
TEST(MaskChecksum, ManyBytesAStepAgreeWithOneAtATime) {
    MaskRandom random(9);
    Bytes bytes = random.bytes(100), pad = random.bytes(100);
    bytes[3] = bytes[12] = 0xFF;
    for (uint32_t start : {0u, 1u, 0x80000000u, 0xDEADBEEFu}) {
        for (size_t n = 0; n <= bytes.size(); n++) {
            uint32_t sum = start;
            for (size_t i = 0; i < n; i++)
                sum = ((sum >> 1) | (sum << 31)) ^ bytes[i];
            EXPECT_EQ(sum, mask_checksum(start, bytes.data(), n)) << n;
        }
    }
    for (size_t n = 0; n <= 9; n++) {
        Bytes padded = bytes;
        apply_pad(padded.data(), n, pad.data(), 7);
        for (size_t i = 0; i < padded.size(); i++)
            EXPECT_EQ(i < n && i < 7 ? bytes[i] ^ pad[i] : bytes[i], padded[i]) << n << " " << i;
    }
}

class UnmaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        MaskRandom random(5);
        result = random.bytes(1000);
        pad = random.bytes(1000);
    }
    int unmask(const Bytes& masked, const Bytes& pad_bytes) {
        EXPECT_TRUE(put_file(masked_path(), masked));
        EXPECT_TRUE(put_file(pad_path(), pad_bytes));
        return unmask_file((char*)masked_path().c_str(), (char*)pad_path().c_str());
    }
    std::string masked_path() { return folder.path("f.t"); }
    std::string pad_path() { return folder.path("f.t.x"); }
    void set_field(Bytes& masked, size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            masked[at + i] = (unsigned char)(v >> (8 * i));
    }

    TempFolder folder;
    Bytes result, pad;
};

TEST_F(UnmaskTest, RestoresInPlaceAndDeletesThePad) {
    ASSERT_EQ(1, unmask(mask_bytes(result, pad), pad));
    EXPECT_EQ(result, file_bytes(masked_path()));
    EXPECT_FALSE(file_exists(pad_path()));
}

TEST_F(UnmaskTest, PadShorterThanPayloadLeavesTheTail) {
    Bytes short_pad(pad.begin(), pad.begin() + 100);
    Bytes masked = mask_bytes(result, short_pad);
    EXPECT_TRUE(std::equal(result.begin() + 100, result.end(), masked.begin() + 24 + 100));
    ASSERT_EQ(1, unmask(masked, short_pad));
    EXPECT_EQ(result, file_bytes(masked_path()));
}

TEST_F(UnmaskTest, RefusedInputsLeaveBothFiles) {
    Bytes good = mask_bytes(result, pad);
    // A pad one byte longer, with a header whose pad checksum matches it:
    // the length alone must refuse it.
    Bytes longer_pad = pad;
    longer_pad.push_back(7);
    Bytes longer_sum = good;
    set_field(longer_sum, 12, mask_checksum(0, longer_pad.data(), longer_pad.size()));
    Bytes format_one = good, payload_flip = good, pad_flip = pad, too_long = good;
    set_field(format_one, 0, 1);
    payload_flip[24 + 500] ^= 0x10;
    pad_flip[3] ^= 1;
    set_field(too_long, 4, 1001);
    struct {
        int line;
        Bytes masked, pad;
    } cases[] = {
        {__LINE__, format_one, pad},
        {__LINE__, longer_sum, longer_pad},
        {__LINE__, payload_flip, pad},
        {__LINE__, good, pad_flip},
        {__LINE__, too_long, pad},
        {__LINE__, Bytes(good.begin(), good.begin() + 20), pad},
    };
    for (auto& c : cases) {
        EXPECT_EQ(0, unmask(c.masked, c.pad)) << "line " << c.line;
        EXPECT_EQ(c.masked, file_bytes(masked_path())) << "line " << c.line;
        EXPECT_TRUE(file_exists(pad_path())) << "line " << c.line;
    }
}

// Files are unmasked a 64 KiB block at a time: payloads and pads that end
// on, before and after a block's end, each longer than the other.
TEST_F(UnmaskTest, FilesOfManyBlocksRestoreWhole) {
    MaskRandom random(6);
    struct {
        int line;
        size_t payload, pad;
    } cases[] = {
        {__LINE__, 65536, 65536}, {__LINE__, 150001, 150001}, {__LINE__, 150001, 65537},
        {__LINE__, 65535, 200000}, {__LINE__, 131073, 1},
    };
    for (auto& c : cases) {
        Bytes plain = random.bytes(c.payload), pad_bytes = random.bytes(c.pad);
        ASSERT_EQ(1, unmask(mask_bytes(plain, pad_bytes), pad_bytes)) << "line " << c.line;
        EXPECT_EQ(plain, file_bytes(masked_path())) << "line " << c.line;
        EXPECT_FALSE(file_exists(pad_path())) << "line " << c.line;
    }
    // A damaged byte in the last block of a long pad still refuses it.
    Bytes plain = random.bytes(70000), pad_bytes = random.bytes(200000), masked = mask_bytes(plain, pad_bytes);
    pad_bytes[199999] ^= 1;
    EXPECT_EQ(0, unmask(masked, pad_bytes));
    EXPECT_EQ(masked, file_bytes(masked_path()));
}

TEST_F(UnmaskTest, EmptyPayloadOrEmptyPadFails) {
    EXPECT_EQ(0, unmask(mask_bytes(Bytes(), pad), pad));
    EXPECT_EQ(0, unmask(mask_bytes(result, Bytes()), Bytes()));
}

TEST_F(UnmaskTest, WrongResultChecksumEmptiesTheFile) {
    Bytes masked = mask_bytes(result, pad);
    set_field(masked, 16, 0x12345678);
    EXPECT_EQ(0, unmask(masked, pad));
    EXPECT_TRUE(file_bytes(masked_path()).empty());
    EXPECT_TRUE(file_exists(pad_path()));
}

TEST_F(UnmaskTest, MissingFilesFail) {
    EXPECT_EQ(0, unmask_file((char*)masked_path().c_str(), (char*)pad_path().c_str()));
    ASSERT_TRUE(put_file(pad_path(), pad));
    EXPECT_EQ(0, unmask_file((char*)masked_path().c_str(), (char*)pad_path().c_str()));
}

}  // namespace
