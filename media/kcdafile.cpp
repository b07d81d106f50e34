// kCDAFile and kMSF: reading and writing CD track description files.
#include "kcdafile.h"
#include <stdio.h>
#include <string.h>
#include "kfile.h"
#include "mediaos.h"

namespace {

const unsigned long kFramesPerSecond = 75;
const unsigned long kTrackFileSize = 44;

unsigned long get_le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((unsigned long)p[3] << 24);
}

void put_le32(unsigned char* p, unsigned long v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

void put_le16(unsigned char* p, unsigned int v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

int read_tag(kFile& file, const char* tag) {
    char got[4];
    return file.read(got, 4) && memcmp(got, tag, 4) == 0;
}

int read_le32(kFile& file, unsigned long& value) {
    unsigned char bytes[4];
    if (!file.read(bytes, 4))
        return 0;
    value = get_le32(bytes);
    return 1;
}

}  // namespace

unsigned long kMSF::value(unsigned long form) {
    unsigned long m = (packed >> 16) & 0xFF;
    unsigned long s = (packed >> 8) & 0xFF;
    unsigned long f = packed & 0xFF;
    if (form == 1)
        return m * 60 * kFramesPerSecond + s * kFramesPerSecond + f;
    if (form == 2) {
        unsigned long minutes_ms = m * 60000, seconds_ms = s * 1000, frames_ms = f * 1000 / kFramesPerSecond;
        printf("m=%lu, s=%lu, f=%lu\n", minutes_ms, seconds_ms, frames_ms);
        return minutes_ms + seconds_ms + frames_ms;
    }
    return packed;
}

kCDAFile::kCDAFile() : track_(0), serial((uint32_t)tick_count()) {
    start_.packed = 0;
    length_.packed = 0;
}

kCDAFile::~kCDAFile() {}

int kCDAFile::open(char* path) {
    kFile file;
    unsigned long size_field, unused;
    unsigned char two[2];
    if (!file.open(path, (char*)"rb") || !read_tag(file, "RIFF") || !read_le32(file, size_field))
        return 0;
    if (size_field != file.size() - 8)
        return 0;
    if (!read_tag(file, "CDDA") || !read_tag(file, "fmt ") || !read_le32(file, unused) || !file.read(two, 2))
        return 0;
    if (!file.read(two, 2))
        return 0;
    track_ = (uint16_t)(two[0] | (two[1] << 8));
    unsigned char skipped[12];
    unsigned long start_packed, length_packed;
    if (!file.read(skipped, sizeof skipped) || !read_le32(file, start_packed))
        return 0;
    start_.packed = (uint32_t)start_packed;
    if (!read_le32(file, length_packed))
        return 0;
    length_.packed = (uint32_t)length_packed;
    return 1;
}

int kCDAFile::write(char* path) {
    kFile file;
    if (!file.open(path, (char*)"wb"))
        return 0;
    start_.packed &= 0x00FFFFFF;
    length_.packed &= 0x00FFFFFF;
    unsigned char image[kTrackFileSize];
    memcpy(image, "RIFF", 4);
    put_le32(image + 4, kTrackFileSize - 8);
    memcpy(image + 8, "CDDAfmt ", 8);
    put_le32(image + 16, 24);
    put_le16(image + 20, 1);
    put_le16(image + 22, track_);
    put_le32(image + 24, serial);
    put_le32(image + 28, start_.value(1));
    put_le32(image + 32, length_.value(1));
    put_le32(image + 36, start_.packed);
    put_le32(image + 40, length_.packed);
    // A full disk must not pass for a written track file.
    return file.write(image, sizeof image) && fflush((FILE*)file) == 0;
}

unsigned short kCDAFile::track() {
    return track_;
}

unsigned long kCDAFile::start(unsigned long form) {
    return start_.value(form);
}

unsigned long kCDAFile::length(unsigned long form) {
    return length_.value(form);
}

int kCDAFile::close() {
    track_ = 0;
    start_.packed = 0;
    length_.packed = 0;
    return 1;
}
