// kFilesDat: directory lookups, masked-block extraction and listing.
#include "kfilesdat.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <new>
#include "masked.h"
#include "mbcs.h"
#include "mediaos.h"

namespace {

// The search handle handed out by FindFirstFileA.
struct SearchHandle {
    uint32_t reserved;  // always 0; anything else is not one of ours
    uint32_t next_index;
};

unsigned char fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? (unsigned char)(c - 'A' + 'a') : c;
}

// Whole-name comparison ignoring case, stepping through double-byte
// characters so that a trail byte is never folded on its own.
int names_match(const char* a, const char* b) {
    while (*a && *b) {
        // Plain ASCII, what most names are, needs no lead-byte look-up.
        if (((unsigned char)*a | (unsigned char)*b) < 0x80) {
            if (fold((unsigned char)*a++) != fold((unsigned char)*b++))
                return 0;
            continue;
        }
        int n = mb_char_size(a);
        if (n != mb_char_size(b))
            return 0;
        if (n == 1 ? fold((unsigned char)*a) != fold((unsigned char)*b) : memcmp(a, b, 2) != 0)
            return 0;
        a += n;
        b += n;
    }
    return *a == *b;
}

// A scan of the directory from its start. The directory is read in large
// blocks of whole pages into a block on the heap, an entry that straddles
// two reads carried over (installs look members up in archives of
// thousands: one call to the system then serves hundreds of entries, and
// the C runtime passes a read of whole pages from an aligned position
// straight through), but nothing is kept once the scan ends; without that
// block the scan reads one entry at a time. The directory ends at an empty
// name or where a read falls short of a whole entry.
class DirectoryScan {
public:
    explicit DirectoryScan(kFile& file)
        : file_(file), block_((unsigned char*)malloc(kRead + sizeof(kFDFileEntry))), have_(0), at_(0),
          ended_(!file.seek(0, 0)) {}
    ~DirectoryScan() { free(block_); }
    DirectoryScan(const DirectoryScan&) = delete;
    DirectoryScan& operator=(const DirectoryScan&) = delete;

    // The next entry, its name always terminated within its field, valid
    // until the next call; null at the end.
    kFDFileEntry* next() {
        if (have_ - at_ < sizeof(kFDFileEntry) && !refill())
            return nullptr;
        kFDFileEntry* entry = (kFDFileEntry*)(bytes() + at_);
        at_ += sizeof(kFDFileEntry);
        if (entry->name[0] == 0) {
            ended_ = 1;
            have_ = at_ = 0;
            return nullptr;
        }
        entry->name[sizeof entry->name - 1] = 0;
        return entry;
    }

private:
    unsigned char* bytes() { return block_ ? block_ : (unsigned char*)&single_; }

    // Moves the part of an entry that is left to the block's start and
    // reads on after it. 1 when a whole entry is there.
    int refill() {
        if (ended_)
            return 0;
        unsigned long carry = have_ - at_, room = block_ ? kRead : sizeof(kFDFileEntry);
        memmove(bytes(), bytes() + at_, carry);
        unsigned long got = (unsigned long)fread(bytes() + carry, 1, room, (FILE*)file_);
        have_ = carry + got;
        at_ = 0;
        ended_ = got < room;
        return have_ >= sizeof(kFDFileEntry);
    }

    // 31 pages a read, so that the block with its carried entry stays under
    // 128 KiB, which the C runtime's heap still takes from its own pool.
    static const unsigned long kRead = 31 * 4096;
    kFile& file_;
    unsigned char* block_;
    kFDFileEntry single_;
    unsigned long have_, at_;
    int ended_;
};

void fill_find_data(const kFDFileEntry& entry, _WIN32_FIND_DATAA* data) {
    memset(data, 0, sizeof *data);
    data->dwFileAttributes = kFDAttributeNormal;
    data->nFileSizeLow = entry.length;
    memcpy(data->cFileName, entry.name, sizeof data->cFileName);
}

SearchHandle* valid_handle(void* handle) {
    SearchHandle* search = (SearchHandle*)handle;
    return search && search->reserved == 0 ? search : nullptr;
}

// 1 when every record of the member (full size, the last one included) lies
// inside the archive, so that nothing is allocated or written for lengths
// that the file cannot hold. Reckoned by division, in 32 bits: the records'
// extent (a data and a mask block each) can pass 4 GiB.
int records_fit(const kFDFileEntry& entry, unsigned long archive_size) {
    uint32_t k = entry.block_size;
    uint32_t records = entry.length / k + (entry.length % k != 0);
    return entry.data_offset <= archive_size && records <= (archive_size - entry.data_offset) / k / 2;
}

// Copies the member's records from the archive's position to out. record
// holds one record: its data block, then its mask block, read together.
int unmask_records(kFile& archive, kFile& out, unsigned long length, unsigned long k, unsigned char* record) {
    unsigned long remaining = length;
    while (remaining != 0) {
        unsigned long n = remaining < k ? remaining : k;
        // A short read means a truncated archive: fail rather than write
        // bytes that were never stored.
        if (!archive.read(record, 2 * k))
            return 0;
        apply_pad(record, n, record + k, n);
        if (!out.write(record, n))
            return 0;
        remaining -= n;
    }
    return fflush((FILE*)out) == 0;
}

// A member of length 0 needs no blocks: its destination is just created.
int create_empty(char* destination) {
    kFile out;
    return out.open(destination, (char*)"wb") && fflush((FILE*)out) == 0;
}

// The archive's entry at position index, or with name when name is not
// null. 0 when the archive is not open or the directory ends first.
int find_entry(kFilesDat& archive, unsigned long index, const char* name, kFDFileEntry& entry) {
    if (!archive.is_open)
        return 0;
    DirectoryScan scan(archive.file);
    for (unsigned long i = 0; kFDFileEntry* found = scan.next(); i++) {
        if (name ? names_match(found->name, name) : i == index) {
            entry = *found;
            return 1;
        }
    }
    return 0;
}

}  // namespace

kFilesDat::kFilesDat() : is_open(0) {}

kFilesDat::~kFilesDat() {
    if (is_open)
        close();
}

int kFilesDat::open(char* archive_path) {
    if (is_open || !file.open(archive_path, (char*)"rb"))
        return 0;
    if (!path.set(archive_path)) {
        file.close();
        return 0;
    }
    is_open = 1;
    return 1;
}

int kFilesDat::close() {
    file.close();
    path.clear();
    is_open = 0;
    return 1;
}

int kFilesDat::retrieve_header(unsigned long index, kFDFileEntry& entry) {
    return find_entry(*this, index, nullptr, entry);
}

int kFilesDat::retrieve_header(char* name, kFDFileEntry& entry) {
    return name && find_entry(*this, 0, name, entry);
}

unsigned long kFilesDat::GetFileAttributesA(char* name) {
    kFDFileEntry entry;
    return retrieve_header(name, entry) ? kFDAttributeNormal : kFDNoAttributes;
}

unsigned long kFilesDat::GetFileSize(char* name) {
    kFDFileEntry entry;
    return retrieve_header(name, entry) ? entry.length : 0;
}

int kFilesDat::CopyFileA(char* name, char* destination, int fail_if_exists) {
    if (!is_open)
        return 0;
    if (fail_if_exists && disk_path_exists(destination))
        return 0;
    kFDFileEntry entry;
    if (!retrieve_header(name, entry))
        return 0;
    if (entry.block_size == 0 && entry.length == 0)
        return 0;
    printf("found file and beginning copy\n");
    unsigned long k = entry.block_size;
    // A zero-byte block is no block: the copy cannot start.
    if (k == 0) {
        printf("error: couldn't malloc %lu bytes\n", k);
        return 0;
    }
    if (entry.length == 0)
        return create_empty(destination);
    if (!records_fit(entry, file.size()))
        return 0;
    // The data and mask blocks of a record side by side, as they are stored
    // (their size cannot overflow: the records have been found to fit in
    // the archive).
    unsigned char* record = (unsigned char*)malloc(2 * k);
    if (!record) {
        printf("error: couldn't malloc %lu bytes\n", k);
        return 0;
    }
    kFile out;
    int ok = out.open(destination, (char*)"wb") && file.seek(entry.data_offset, 0) &&
             unmask_records(file, out, entry.length, k, record);
    out.close();
    free(record);
    return ok;
}

// A new search handle at the first member, then the first step of the search.
void* kFilesDat::FindFirstFileA(_WIN32_FIND_DATAA* data) {
    SearchHandle* search = new (std::nothrow) SearchHandle{0, 0};
    if (search && FindNextFileA(search, data))
        return search;
    delete search;
    return nullptr;
}

int kFilesDat::FindNextFileA(void* handle, _WIN32_FIND_DATAA* data) {
    SearchHandle* search = valid_handle(handle);
    kFDFileEntry entry;
    if (!search || !data || !retrieve_header((unsigned long)search->next_index, entry))
        return 0;
    search->next_index++;
    fill_find_data(entry, data);
    return 1;
}

int kFilesDat::FindClose(void* handle) {
    SearchHandle* search = valid_handle(handle);
    if (!search)
        return 0;
    delete search;
    return 1;
}
