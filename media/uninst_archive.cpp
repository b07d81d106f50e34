// Uninstall archive: record by record unpacking into a folder.
#include "uninst_archive.h"
#include <string.h>
#include <new>
#include "kfile.h"
#include "mediaos.h"

namespace {

const unsigned long kCopyBlock = 0x10000;

int read_le32(kFile& file, unsigned long& value) {
    unsigned char p[4];
    if (!file.read(p, 4))
        return 0;
    value = p[0] | (p[1] << 8) | (p[2] << 16) | ((unsigned long)p[3] << 24);
    return 1;
}

// The archive holds bare file names; anything that could reach outside the
// target folder (a separator, a drive colon, a dot folder) is damage.
int safe_name(const char* name) {
    if (!name[0] || strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
        return 0;
    return strpbrk(name, "\\/:") == nullptr;
}

int remaining_holds(kFile& file, unsigned long n) {
    return n <= file.size() - file.tell();
}

// Copies n bytes from the archive to out through one fixed block, so a
// record's size never decides how much memory is taken.
int copy_data(kFile& archive, kFile& out, unsigned long n, unsigned char* block) {
    while (n) {
        unsigned long step = n < kCopyBlock ? n : kCopyBlock;
        if (!archive.read(block, step) || !out.write(block, step))
            return 0;
        n -= step;
    }
    return fflush((FILE*)out) == 0;
}

// A list that cannot grow drops the path, as every list of the engine does.
void list_copy(kPtrVector<kString>* list, kString& path) {
    if (!list)
        return;
    kString* copy = new (std::nothrow) kString(path);
    if (!copy || !copy->text || list->append(copy) < 0)
        delete copy;
}

// One record: 1 when done, 0 at the clean end of the archive, -1 on damage.
int unpack_record(kFile& archive, char* folder, int overwrite, kPtrVector<kString>* list, unsigned char* block) {
    unsigned long name_size, data_size;
    if (!read_le32(archive, name_size))
        return 0;
    char name[kUninstNameSize + 1] = {0};
    if (name_size > kUninstNameSize || (name_size && !archive.read(name, name_size)))
        return -1;
    if (!safe_name(name) || !read_le32(archive, data_size) || !remaining_holds(archive, data_size))
        return -1;
    kString path;
    if (!path.sprintf((char*)kJoinFormat, folder, name))
        return -1;
    if (!overwrite && disk_path_exists(path))
        return archive.seek(data_size, 1) ? 1 : -1;
    kFile out;
    if (!out.open(path, (char*)"wb") || !copy_data(archive, out, data_size, block))
        return -1;
    out.close();
    list_copy(list, path);
    return 1;
}

}  // namespace

int unpack_uninstall_archive(char* archive_path, char* folder, int overwrite, kPtrVector<kString>* list) {
    kFile archive;
    if (!archive_path || !folder || !archive.open(archive_path, (char*)"rb"))
        return -1;
    unsigned char* block = new (std::nothrow) unsigned char[kCopyBlock];
    if (!block)
        return -1;
    int step;
    while ((step = unpack_record(archive, folder, overwrite, list, block)) == 1) {
    }
    delete[] block;
    return step;
}
