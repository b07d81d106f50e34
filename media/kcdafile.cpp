// kCDAFile and kMSF: reading and writing CD track description files.
#include "kcdafile.h"
#include <stdio.h>
#include <string.h>
#include "kfile.h"
#include "le32.h"
#include "mediaos.h"

namespace {

const unsigned long kFramesPerSecond = 75;
const unsigned long kTrackFileSize = 44;

void put_le16(unsigned char* p, unsigned int v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
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

// The whole layout is read at once; the fields are then taken in the file's
// order for as far as it reaches, so that a short file leaves the fields
// before its end with their new values.
int kCDAFile::open(char* path) {
    kFile file;
    unsigned char image[kTrackFileSize];
    if (!file.open(path, (char*)"rb"))
        return 0;
    unsigned long got = (unsigned long)fread(image, 1, sizeof image, (FILE*)file);
    if (got < 8 || memcmp(image, "RIFF", 4) != 0 || get_le32(image + 4) != file.size() - 8)
        return 0;
    if (got < 24 || memcmp(image + 8, "CDDAfmt ", 8) != 0)
        return 0;
    track_ = (uint16_t)(image[22] | (image[23] << 8));
    if (got < 40)
        return 0;
    start_.packed = (uint32_t)get_le32(image + 36);
    if (got < 44)
        return 0;
    length_.packed = (uint32_t)get_le32(image + 40);
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
