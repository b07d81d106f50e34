// Unpacking of the uninstall archive at start-up of the uninstall stages.
#include "uninst_archive.h"
#include <new>
#include <stdio.h>
#include <string.h>
#include "kbuffer.h"
#include "kfile.h"
#include "mbcs.h"

static int read_le32(kFile& file, unsigned long* value) {
    unsigned char bytes[4];
    if (!file.read(bytes, 4))
        return 0;
    *value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | ((unsigned long)bytes[3] << 24);
    return 1;
}

int archive_name_ok(const char* name) {
    if (!name[0] || strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
        return 0;
    return strpbrk(name, "\\/:") == nullptr;
}

static int file_exists(const char* path) {
    FILE* probe = fopen(path, "rb");
    if (!probe)
        return 0;
    fclose(probe);
    return 1;
}

// Writes the next data_size bytes of the archive to path, in blocks, so that
// a damaged size field cannot make us allocate more than the archive holds.
static int write_member(kFile& archive, unsigned long data_size, const char* path) {
    kFile out;
    if (!out.open((char*)path, (char*)"wb"))
        return 0;
    kBuffer block(data_size < 0x10000 ? data_size : 0x10000);
    while (data_size > 0) {
        unsigned long n = data_size < block.size() ? data_size : block.size();
        if (!archive.read(block.pointer(), n) || !out.write(block.pointer(), n))
            return 0;
        data_size -= n;
    }
    return out.close() == 1;
}

int unpack_archive(char* archive, char* folder, int overwrite, kPtrVector<kString>* written) {
    kFile in;
    if (!in.open(archive, (char*)"rb"))
        return -1;
    unsigned long length = in.size();
    for (;;) {
        unsigned long name_size;
        if (!read_le32(in, &name_size))
            return 0;
        char name[kArchiveNameField + 1];
        if (name_size > kArchiveNameField || (name_size && !in.read(name, name_size)))
            return -1;
        if (!memchr(name, 0, name_size) || !archive_name_ok(name))
            return -1;
        unsigned long data_size;
        if (!read_le32(in, &data_size) || data_size > length - in.tell())
            return -1;
        kString path;
        path.sprintf((char*)"%s\\%s", folder, name);
        if (!path.text)
            return -1;
        if (!overwrite && file_exists(path.text)) {
            if (!in.seek(data_size, 1))
                return -1;
            continue;
        }
        if (!write_member(in, data_size, path.text)) {
            remove(path.text);  // never leave a file cut short behind
            return -1;
        }
        if (written)
            append_copy(*written, path.text);
    }
}

static int write_le32(kFile& file, unsigned long value) {
    unsigned char bytes[4] = {(unsigned char)value, (unsigned char)(value >> 8), (unsigned char)(value >> 16),
                              (unsigned char)(value >> 24)};
    return file.write(bytes, 4);
}

int append_archive_record(kFile& archive, char* path) {
    // The text after the last backslash, found by whole characters so that a
    // trail byte of the code page is never taken for one.
    const char* last = path ? mb_find_last(path, '\\') : nullptr;
    const char* name = last ? last + 1 : nullptr;
    // The unpacker refuses the whole archive over one bad name, so such a
    // name is never written.
    if (!name || strlen(name) >= kArchiveNameField || !archive_name_ok(name))
        return 0;
    kFile in;
    kBuffer data;
    if (!in.open(path, (char*)"rb") || !in.GetImage(data))
        return 0;
    char field[kArchiveNameField] = {};
    memcpy(field, name, strlen(name));
    return write_le32(archive, kArchiveNameField) && archive.write(field, kArchiveNameField) &&
           write_le32(archive, data.size()) && archive.write(data.pointer(), data.size());
}
