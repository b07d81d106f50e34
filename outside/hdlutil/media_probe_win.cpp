// The media probe: the install list, its files in their three forms, the
// archive's directory and the components beside them.
#include "media_probe.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "install_scan.h"

namespace {

// The archive's directory entry, as stored: name, block size, reserved,
// length after extraction, offset of the stored records.
struct ArchiveEntry {
    char name[260];
    DWORD block_size, reserved, length, data_offset;
};
static_assert(sizeof(ArchiveEntry) == 276, "archive directory entries are 276 bytes");

const long kLargestList = 64L * 1024 * 1024;
const char* const kComponents[] = {"setup.exe", "langres.dll", "hostinfo.dll", "hdlutil.dll"};

int join(char* out, const char* folder, const char* name) {
    int length = snprintf(out, 260, "%s\\%s", folder, name);
    return length > 0 && length < 260;
}

// 0 when nothing is at path; 1 for a file; -1 for a folder.
int kind_at(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? -1 : 1;
}

// Bytes of the character at at (not the terminator) in the system's code
// page: 2 for a lead byte followed by a second byte, else 1.
int char_size(const char* at) {
    return IsDBCSLeadByte((BYTE)*at) && at[1] ? 2 : 1;
}

// The start of the last character of text (not empty).
const char* last_char(const char* text) {
    const char* last = text;
    for (const char* at = text; *at; at += char_size(at))
        last = at;
    return last;
}

// A backslash that is a character of its own, not the second byte of one.
int has_backslash(const char* text) {
    for (const char* at = text; *at; at += char_size(at))
        if (*at == '\\')
            return 1;
    return 0;
}

unsigned char fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? (unsigned char)(c - 'A' + 'a') : c;
}

// Whole names equal ignoring case, as the archive reader compares them: a
// double-byte character matches only itself.
int names_match(const char* a, const char* b) {
    while (*a && *b) {
        int n = char_size(a);
        if (n != char_size(b))
            return 0;
        if (n == 1 ? fold((unsigned char)*a) != fold((unsigned char)*b) : memcmp(a, b, 2) != 0)
            return 0;
        a += n;
        b += n;
    }
    return *a == *b;
}

// "files.dat": looks members up in its directory, which ends at an empty
// name or where a read falls short of a whole entry.
class ArchiveDirectory {
public:
    ArchiveDirectory() : file_(INVALID_HANDLE_VALUE), size_(0) {}
    ~ArchiveDirectory() { close(); }
    ArchiveDirectory(const ArchiveDirectory&) = delete;
    ArchiveDirectory& operator=(const ArchiveDirectory&) = delete;

    int open(const char* path) {
        close();
        file_ = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file_ == INVALID_HANDLE_VALUE)
            return 0;
        // A size whose low half is all ones is told from a failure by the
        // last error (GetFileSizeEx is missing on the 95 family).
        DWORD high = 0;
        SetLastError(NO_ERROR);
        DWORD low = GetFileSize(file_, &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
            close();
            return 0;
        }
        size_ = (unsigned long long)high << 32 | low;
        return 1;
    }

    void close() {
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

    // 1 when the first member named name can be extracted: a block size
    // above 0 and every stored record inside the archive.
    int has(const char* name) {
        ArchiveEntry entry;
        if (file_ == INVALID_HANDLE_VALUE || SetFilePointer(file_, 0, nullptr, FILE_BEGIN) != 0)
            return 0;
        DWORD got;
        while (ReadFile(file_, &entry, sizeof entry, &got, nullptr) && got == sizeof entry && entry.name[0]) {
            entry.name[sizeof entry.name - 1] = 0;
            if (names_match(entry.name, name))
                return extractable(entry);
        }
        return 0;
    }

private:
    int extractable(const ArchiveEntry& entry) const {
        if (entry.block_size == 0)
            return 0;
        unsigned long long records = ((unsigned long long)entry.length + entry.block_size - 1) / entry.block_size;
        return entry.data_offset + records * 2 * entry.block_size <= size_;
    }

    HANDLE file_;
    unsigned long long size_;
};

// The install list read whole in text mode, as the install script reads it.
class ListText {
public:
    ListText() : text_(nullptr) {}
    ~ListText() { free(text_); }
    ListText(const ListText&) = delete;
    ListText& operator=(const ListText&) = delete;

    int read(const char* path) {
        FILE* file = fopen(path, "r");
        if (!file)
            return 0;
        long length = fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
        char* text = length >= 0 && length <= kLargestList && fseek(file, 0, SEEK_SET) == 0 ? (char*)malloc(length + 1)
                                                                                            : nullptr;
        // Text mode joins line ends, so fewer bytes than the length arrive.
        size_t got = text ? fread(text, 1, length, file) : 0;
        int ok = text && !ferror(file);
        fclose(file);
        if (!ok) {
            free(text);
            return 0;
        }
        text[got] = 0;
        free(text_);
        text_ = text;
        return 1;
    }
    const char* text() const { return text_; }

private:
    char* text_;
};

// One probe of a media folder: the archive is opened at its first use.
struct Probe {
    explicit Probe(const char* media) : folder(media), archive_opened(0), complete(1) {}

    const char* folder;
    char archive_path[260];
    ArchiveDirectory archive;
    int archive_opened;  // 0 not yet, 1 open, -1 not there
    int complete;

    // A member named name in "files.dat", as the file placer resolves
    // "files.dat\NAME": a name with a backslash of its own names no member.
    int member(const char* name) {
        if (!archive_opened)
            archive_opened =
                join(archive_path, folder, "files.dat") && kind_at(archive_path) == 1 && archive.open(archive_path)
                    ? 1
                    : -1;
        return archive_opened == 1 && !has_backslash(name) && archive.has(name);
    }
};

// The first form of the entry that exists decides, as in the install script.
int entry_present(const ScannedEntry& entry, void* context) {
    Probe* probe = (Probe*)context;
    char path[260], packed[260];
    int present;
    if (!join(path, probe->folder, entry.name))
        present = 0;
    else if (int kind = kind_at(path))
        present = kind == 1;
    else if (!join(packed, "setup", entry.name) || !join(path, probe->folder, packed))
        present = 0;
    else if (int kind = kind_at(path))
        // A masked file (not marked) needs its pad; a compressed one stands alone.
        present = kind == 1 && (entry.marked || probe->member(entry.name));
    else
        present = probe->member(entry.name);
    if (!present)
        probe->complete = 0;
    return present;
}

// The folder without a trailing backslash ("E:\" gives "E:"), so that the
// "%s\%s" joins give single separators.
int media_folder(const char* folder, char* out) {
    size_t length = strlen(folder);
    if (length == 0 || length >= 260)
        return 0;
    memcpy(out, folder, length + 1);
    char* last = (char*)last_char(out);
    if (last > out && *last == '\\')
        *last = 0;
    return 1;
}

}  // namespace

int media_complete(const char* folder) {
    char base[260], path[260];
    if (!folder || !media_folder(folder, base))
        return 0;
    for (const char* component : kComponents)
        if (!join(path, base, component) || kind_at(path) != 1)
            return 0;
    ListText list;
    if (!join(path, base, "install.dat") || kind_at(path) != 1 || !list.read(path))
        return 0;
    Probe probe(base);
    return scan_install_list(list.text(), entry_present, &probe) > 0 && probe.complete;
}
