// CD track description files and packed CD positions.
#include <gtest/gtest.h>
#include "kcdafile.h"
#include "tempfolder.h"

namespace {

unsigned long value_of(uint32_t packed, unsigned long form) {
    kMSF msf;
    msf.packed = packed;
    return msf.value(form);
}

TEST(MSF, FramesAndMilliseconds) {
    EXPECT_EQ(11287ul, value_of(0x00021E25, 1));
    testing::internal::CaptureStdout();
    EXPECT_EQ(150493ul, value_of(0x00021E25, 2));
    EXPECT_EQ(986ul, value_of(74, 2));
    EXPECT_EQ("m=120000, s=30000, f=493\nm=0, s=0, f=986\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(0x00021E25ul, value_of(0x00021E25, 0));
    EXPECT_EQ(0x12345678ul, value_of(0x12345678, 3));
}

class TrackFileTest : public ::testing::Test {
protected:
    std::string path() { return folder.path("track01.cda"); }
    TempFolder folder;
};

TEST_F(TrackFileTest, WriteThenOpenRoundTrips) {
    kCDAFile written;
    written.track_ = 7;
    written.start_.packed = 0x7F021E25;  // byte 3 is not part of a position
    written.length_.packed = 0x00030000;
    ASSERT_EQ(1, written.write((char*)path().c_str()));
    Bytes image = file_bytes(path());
    ASSERT_EQ(44u, image.size());
    const unsigned char head[] = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'C', 'D', 'D', 'A', 'f', 'm', 't', ' ', 24, 0, 0, 0, 1, 0, 7, 0};
    EXPECT_EQ(Bytes(head, head + sizeof head), Bytes(image.begin(), image.begin() + 24));
    auto le32 = [&](size_t at) { return image[at] | image[at + 1] << 8 | image[at + 2] << 16 | (uint32_t)image[at + 3] << 24; };
    EXPECT_EQ(written.serial, le32(24));
    EXPECT_EQ(11287u, le32(28));
    EXPECT_EQ(13500u, le32(32));
    EXPECT_EQ(0x00021E25u, le32(36));
    EXPECT_EQ(0x00030000u, le32(40));

    kCDAFile read;
    ASSERT_EQ(1, read.open((char*)path().c_str()));
    EXPECT_EQ(7, read.track());
    EXPECT_EQ(11287ul, read.start(1));
    EXPECT_EQ(0x00030000ul, read.length(0));
}

TEST_F(TrackFileTest, ChecksRefuseOtherFiles) {
    kCDAFile good;
    good.track_ = 2;
    ASSERT_EQ(1, good.write((char*)path().c_str()));
    Bytes image = file_bytes(path());
    struct {
        int line;
        size_t at;
        const char* bytes;
    } damage[] = {
        {__LINE__, 4, "\x25"},  // size field one too many
        {__LINE__, 4, "\x23"},  // one too few
        {__LINE__, 0, "RIFX"},
        {__LINE__, 8, "WAVE"},
        {__LINE__, 12, "data"},
    };
    for (auto& d : damage) {
        Bytes bad = image;
        std::copy(d.bytes, d.bytes + strlen(d.bytes), bad.begin() + d.at);
        ASSERT_TRUE(put_file(path(), bad));
        kCDAFile track;
        EXPECT_EQ(0, track.open((char*)path().c_str())) << "line " << d.line;
    }
    Bytes short_file(image.begin(), image.end() - 4);
    short_file[4] = 32;  // a consistent size field, but no length
    ASSERT_TRUE(put_file(path(), short_file));
    kCDAFile track;
    EXPECT_EQ(0, track.open((char*)path().c_str()));
    EXPECT_EQ(2, track.track());  // fields read before the failure stay
    EXPECT_EQ(0, track.open((char*)folder.path("absent.cda").c_str()));
}

TEST_F(TrackFileTest, CloseKeepsTheSerial) {
    kCDAFile track;
    uint32_t serial = track.serial;
    track.track_ = 3;
    track.start_.packed = 5;
    track.length_.packed = 6;
    EXPECT_EQ(1, track.close());
    EXPECT_EQ(0, track.track());
    EXPECT_EQ(0ul, track.start(0));
    EXPECT_EQ(0ul, track.length(0));
    EXPECT_EQ(serial, track.serial);
    EXPECT_EQ(0, track.write((char*)(folder.path("missing") + kSeparator + "track.cda").c_str()));
}

}  // namespace
