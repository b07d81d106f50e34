// kFile: buffered file stream, string records, hex dump.
#include "kfile.h"
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include "kbuffer.h"
#include "kstring.h"
#include "le32.h"

kFile::kFile() : stream(nullptr) {}

kFile::~kFile() {
    close();
}

int kFile::open(char* name, char* mode) {
    close();
    if (!name || !mode)
        return 0;
    stream = fopen(name, mode);
    if (!stream)
        return 0;
    fseek(stream, 0, SEEK_SET);
    return 1;
}

int kFile::read(void* p, unsigned long n) {
    if (!stream || n == 0)
        return 0;
    return fread(p, n, 1, stream) == 1;
}

int kFile::write(void* p, unsigned long n) {
    if (!stream)
        return 0;
    if (n == 0)
        return 1;
    return fwrite(p, n, 1, stream) == 1;
}

int kFile::seek(unsigned long offset, unsigned long origin) {
    if (!stream)
        return 0;
    return fseek(stream, (long)offset, (int)origin) == 0;
}

unsigned long kFile::tell() {
    if (!stream)
        return 0;
    long at = ftell(stream);
    return at < 0 ? 0 : (unsigned long)at;
}

unsigned long kFile::size() {
    if (!stream)
        return 0;
    long at = ftell(stream);
    if (at < 0 || fseek(stream, 0, SEEK_END) != 0)
        return 0;
    long end = ftell(stream);
    fseek(stream, at, SEEK_SET);
    return end < 0 ? 0 : (unsigned long)end;
}

int kFile::close() {
    if (!stream)
        return 0;
    fclose(stream);
    stream = nullptr;
    return 1;
}

void kFile::dump(long n) {
    if (n <= 0)
        return;
    kBuffer block((unsigned long)n);
    if (!block.pointer() || !read(block.pointer(), (unsigned long)n))
        return;
    // The C runtime refuses a write straight after a read on one stream.
    fseek(stream, 0, SEEK_CUR);
    const unsigned char* bytes = (const unsigned char*)block.pointer();
    for (long o = 0; o < n; o += 16) {
        long k = n - o < 16 ? n - o : 16;
        printf((char*)"%.8lx: ", (unsigned long)o);
        // Columns past the end read "XX " and "X".
        for (long c = 0; c < 16; c++)
            printf((char*)(c < k ? "%.2x " : "XX "), c < k ? bytes[o + c] : 0);
        printf((char*)"  ");
        for (long c = 0; c < 16; c++) {
            unsigned char b = c < k ? bytes[o + c] : 'X';
            printf((char*)"%c", c >= k || (b >= 0x20 && b <= 0x7E) ? b : '.');
        }
        printf((char*)"\n");
    }
}

// The text goes out followed by its terminating zero byte: that is the
// byte layout scripts rely on, and dump writes through it piece by piece.
void kFile::printf(char* format, ...) {
    if (!stream)
        return;
    kBuffer work(0x10000);
    if (!work.pointer())
        return;
    va_list args;
    va_start(args, format);
    // The work buffer keeps a zero byte after its room.
    kvsnprintf((char*)work.pointer(), 0x10000, format, args);
    va_end(args);
    write(work.pointer(), (unsigned long)_mbssize((char*)work.pointer()) + 1);
}

kFile::operator FILE*() {
    return stream;
}

int kFile::GetImage(kBuffer& out) {
    if (!out.size(size()))
        return 0;
    if (!seek(0, 0))
        return 0;
    return read(out.pointer(), out.size());
}

int kString::write(kFile* file) {
    unsigned char length[4];
    unsigned long n = text ? (unsigned long)strlen(text) + 1 : 0;
    put_le32(length, n);
    if (!file->write(length, 4))
        return 0;
    return n == 0 || file->write(text, n);
}

int kString::read(kFile* file) {
    clear();
    unsigned char length[4];
    if (!file->read(length, 4))
        return 0;
    unsigned long n = get_le32(length);
    if (n == 0)
        return 1;
    // Never allocate more than the file can still hold.
    unsigned long at = file->tell();
    if (n > file->size() - at)
        return 0;
    // One byte more than stored, so that a record without its zero byte
    // still yields a terminated text.
    char* block = (char*)malloc(n + 1);
    if (!block)
        return 0;
    if (!file->read(block, n)) {
        free(block);
        return 0;
    }
    block[n] = 0;
    text = block;
    return 1;
}
