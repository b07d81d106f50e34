// kFile: block I/O, size, whole-file image, hex dump, string records.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "kbuffer.h"
#include "kfile.h"
#include "kstring.h"

namespace {

// A scratch file in the temporary folder, removed afterwards.
class ScratchFile : public ::testing::Test {
protected:
    void SetUp() override {
        const char* temp = getenv("TEMP");
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
#ifdef _WIN32
        path = std::string(temp ? temp : ".") + "\\kfile_" + test->name();
#else
        path = std::string(temp ? temp : "/tmp") + "/kfile_" + test->name();
#endif
    }
    void TearDown() override { remove(path.c_str()); }

    void put(const std::string& bytes) {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    std::string get() {
        std::string bytes;
        FILE* f = fopen(path.c_str(), "rb");
        if (!f)
            return bytes;
        int c;
        while ((c = fgetc(f)) != EOF)
            bytes += (char)c;
        fclose(f);
        return bytes;
    }
    char* name() { return (char*)path.c_str(); }

    std::string path;
};

using kFileBasics = ScratchFile;
using kFileDump = ScratchFile;
using kStringRecord = ScratchFile;

}  // namespace

TEST_F(kFileBasics, ReadIsAllOrNothing) {
    put("0123456789");
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    char block[16] = {};
    EXPECT_EQ(1, f.read(block, 4));
    EXPECT_EQ(0, memcmp(block, "0123", 4));
    EXPECT_EQ(0, f.read(block, 0)) << "a zero-length read reports failure";
    EXPECT_EQ(0, f.read(block, 7)) << "only 6 bytes are left";
}

TEST_F(kFileBasics, SizeLeavesThePosition) {
    put("0123456789");
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    ASSERT_EQ(1, f.seek(4, 0));
    EXPECT_EQ(10u, f.size());
    EXPECT_EQ(4u, f.tell());
    char c;
    ASSERT_EQ(1, f.read(&c, 1));
    EXPECT_EQ('4', c);
    EXPECT_EQ(1, f.seek((unsigned long)-2, 1)) << "offsets are signed";
    EXPECT_EQ(3u, f.tell());
}

TEST_F(kFileBasics, ImageOfATenByteFile) {
    put("abcdefghij");
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    f.seek(3, 0);
    kBuffer image;
    ASSERT_EQ(1, f.GetImage(image));
    EXPECT_EQ(10u, image.size());
    EXPECT_EQ(0, memcmp(image.pointer(), "abcdefghij", 10));
    EXPECT_EQ(0, ((char*)image.pointer())[10]);
    EXPECT_EQ(10u, f.tell());
}

TEST_F(kFileBasics, ImageOfAnEmptyFileFails) {
    put("");
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    kBuffer image;
    EXPECT_EQ(0, f.GetImage(image));
}

TEST_F(kFileBasics, CloseTwiceAndNoStream) {
    put("x");
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    EXPECT_NE(nullptr, (FILE*)f);
    EXPECT_EQ(1, f.close());
    EXPECT_EQ(0, f.close());
    char c;
    EXPECT_EQ(0, f.read(&c, 1));
    EXPECT_EQ(0, f.write(&c, 1));
    EXPECT_EQ(0, f.seek(0, 0));
    EXPECT_EQ(0u, f.size());
    EXPECT_EQ(0u, f.tell());
}

TEST_F(kFileBasics, FailedOpenClosesTheOldStream) {
    put("x");
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    EXPECT_EQ(0, f.open((char*)"no such folder/no such file", (char*)"rb"));
    EXPECT_EQ(nullptr, f.stream);
}

TEST_F(kFileBasics, PrintfWritesTheText) {
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"wb"));
    f.printf((char*)"checking %s\n", "C:\\x");
    f.printf((char*)"%d", 42);
    f.printf((char*)"%s", "");
    f.close();
    // Each piece is followed by its terminating zero byte.
    EXPECT_EQ(std::string("checking C:\\x\n\0" "42\0" "\0", 19), get());
}

TEST_F(kFileDump, TwentyBytesMakeTwoPaddedLines) {
    std::string bytes = "ABC \x7f\x80\x01\xff" "0123456789z~";
    put(bytes);
    // The dump goes to the same stream, right after the bytes it read.
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"r+b"));
    f.dump(20);
    f.close();
    std::string all = get();
    // Written through printf piece by piece, each with its zero byte: the
    // offset, 16 columns, the gap, 16 characters and the line end.
    std::string expected;
    for (const char* line : {"00000000: |41 |42 |43 |20 |7f |80 |01 |ff |30 |31 |32 |33 |34 |35 |36 |37 |  "
                             "|A|B|C| |.|.|.|.|0|1|2|3|4|5|6|7|\n|",
                             "00000010: |38 |39 |7a |7e |XX |XX |XX |XX |XX |XX |XX |XX |XX |XX |XX |XX |  "
                             "|8|9|z|~|X|X|X|X|X|X|X|X|X|X|X|X|\n|"})
        for (const char* c = line; *c; c++)
            expected += *c == '|' ? '\0' : *c;
    ASSERT_GE(all.size(), bytes.size());
    EXPECT_EQ(bytes, all.substr(0, bytes.size()));
    EXPECT_EQ(expected, all.substr(bytes.size()));
}

TEST_F(kFileDump, ZeroBytesWriteNothing) {
    put("abc");
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"r+b"));
    f.dump(0);
    f.close();
    EXPECT_EQ("abc", get());
}

TEST_F(kStringRecord, RoundTrips) {
    std::string high;
    for (int b = 0x80; b <= 0xFF; b++)
        high += (char)b;
    kString unset, empty((char*)""), plain((char*)"Vantrel"), upper((char*)high.c_str());
    kFile f;
    ASSERT_EQ(1, f.open(name(), (char*)"wb"));
    EXPECT_EQ(1, unset.write(&f));
    EXPECT_EQ(1, empty.write(&f));
    EXPECT_EQ(1, plain.write(&f));
    EXPECT_EQ(1, upper.write(&f));
    f.close();
    std::string stored = get();
    EXPECT_EQ(std::string("\0\0\0\0\1\0\0\0\0\x08\0\0\0Vantrel\0", 21), stored.substr(0, 21));

    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    kString a((char*)"poison"), b, c, d;
    EXPECT_EQ(1, a.read(&f));
    EXPECT_EQ(nullptr, a.text);
    EXPECT_EQ(1, b.read(&f));
    ASSERT_NE(nullptr, b.text);
    EXPECT_STREQ("", b.text);
    EXPECT_EQ(1, c.read(&f));
    EXPECT_STREQ("Vantrel", c.text);
    EXPECT_EQ(1, d.read(&f));
    EXPECT_EQ(high, std::string(d.text));
    kString past((char*)"poison");
    EXPECT_EQ(0, past.read(&f));
    EXPECT_EQ(nullptr, past.text);
}

TEST_F(kStringRecord, ShortOrUnterminatedRecords) {
    kFile f;
    // Length 5 but only 3 bytes follow.
    put(std::string("\x05\0\0\0abc", 7));
    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    kString s((char*)"poison");
    EXPECT_EQ(0, s.read(&f));
    EXPECT_EQ(nullptr, s.text);
    // A record whose last byte is not zero still gives a terminated text.
    put(std::string("\x03\0\0\0abc", 7));
    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    EXPECT_EQ(1, s.read(&f));
    EXPECT_STREQ("abc", s.text);
    // A huge length is refused without allocating it.
    put(std::string("\xff\xff\xff\x7f" "abc", 7));
    ASSERT_EQ(1, f.open(name(), (char*)"rb"));
    EXPECT_EQ(0, s.read(&f));
}

TEST(MbsSize, NullEmptyAndPlain) {
    EXPECT_EQ(0, _mbssize(nullptr));
    EXPECT_EQ(0, _mbssize(""));
    EXPECT_EQ(7, _mbssize("Vantrel"));
    EXPECT_EQ(3, _mbssize("\x80\xff\x81"));
}

TEST(LogPrintf, RecordsNothing) {
    logprintf((char*)"%s %d", "nothing", 1);
}
