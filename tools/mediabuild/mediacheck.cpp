// Listing, verifying and extracting install media with the installer's readers.
#include "mediacheck.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <map>
#include "chunks.h"
#include "kfilesdat.h"
#include "masked.h"
#include "mediaos.h"
#include "mediawrite.h"

namespace {

const unsigned long kEntrySize = 276;

std::string archive_of(const std::string& media) {
    return media + "/files.dat";
}

bool copy_plain(const std::string& from, const std::string& to) {
    Bytes bytes;
    return read_file(from, bytes) && write_file(to, bytes);
}

std::string extract_member(const std::string& media, const std::string& name, const std::string& to) {
    kFilesDat archive;
    if (!archive.open((char*)archive_of(media).c_str()))
        return "files.dat: cannot be opened";
    if (archive.GetFileAttributesA((char*)name.c_str()) == kFDNoAttributes)
        return "files.dat: no member '" + name + "'";
    if (!archive.CopyFileA((char*)name.c_str(), (char*)to.c_str(), 0))
        return "files.dat: member '" + name + "' does not extract (damaged records)";
    return "";
}

std::string expand_to(const std::string& from, const std::string& to, bool strict, const std::string& label) {
    kFile in, out;
    if (!in.open((char*)from.c_str(), (char*)"rb"))
        return label + ": cannot be read";
    if (!out.open((char*)to.c_str(), (char*)"wb"))
        return to + ": cannot be created";
    ChunkExpander expander(strict);
    if (!expander.expand(in, &out))
        return label + ": chunk " + std::to_string(expander.chunks + 1) + " is damaged (header, length or zlib stream)";
    return "";
}

// Names the first fault of a masked file and its pad, as the installer's
// unmasking would meet it.
std::string check_masked(const Bytes& masked, const Bytes& pad, const std::string& label) {
    if (masked.size() < kMaskedHeaderSize)
        return label + ": shorter than the masked header";
    MaskedHeader h;
    decode_masked_header(masked.data(), h);
    if (h.format != 0)
        return label + ": masked header format is " + std::to_string(h.format) + ", not 0";
    if (h.payload_length == 0 || h.payload_length != masked.size() - kMaskedHeaderSize)
        return label + ": payload length " + std::to_string(h.payload_length) + " does not match the file";
    if (pad.size() != h.pad_length)
        return label + ": pad is " + std::to_string(pad.size()) + " bytes, header says " + std::to_string(h.pad_length);
    if (mask_checksum(0, pad.data(), pad.size()) != h.pad_sum)
        return label + ": pad checksum mismatch";
    if (mask_checksum(0, masked.data() + kMaskedHeaderSize, h.payload_length) != h.payload_sum)
        return label + ": payload checksum mismatch";
    Bytes result(masked.begin() + kMaskedHeaderSize, masked.end());
    apply_pad(result.data(), result.size(), pad.data(), pad.size());
    if (mask_checksum(0, result.data(), result.size()) != h.result_sum)
        return label + ": result checksum mismatch";
    return "";
}

// Masked entries go the installer's way: copy to "D.t", pad to "D.t.x",
// unmask in place, expand "D.t" into D, delete "D.t".
std::string decode_masked(const std::string& media, const ListEntry& entry, const std::string& out_path, bool strict) {
    std::string label = "setup/" + entry.name;
    std::string t = out_path + ".t", x = t + ".x";
    if (!copy_plain(media_path(media, label), t))
        return label + ": cannot be copied";
    std::string fault = extract_member(media, entry.name, x);
    Bytes masked, pad;
    if (fault.empty() && (!read_file(t, masked) || !read_file(x, pad)))
        fault = out_path + ": temporary copies cannot be read";
    if (fault.empty())
        fault = check_masked(masked, pad, label);
    if (fault.empty() && !unmask_file((char*)t.c_str(), (char*)x.c_str()))
        fault = label + ": does not unmask";
    if (fault.empty())
        fault = expand_to(t, out_path, strict, label + " (unmasked)");
    remove(t.c_str());
    remove(x.c_str());
    return fault;
}

// The content list the builder writes: "media" and "file" lines with
// CRC-32, length and path.
struct Sum {
    uint32_t crc;
    unsigned long long length;
};
typedef std::map<std::string, Sum> SumMap;

bool load_sums(const std::string& media, SumMap& media_sums, SumMap& file_sums) {
    FILE* in = fopen((media + "/contents.crc").c_str(), "r");
    if (!in)
        return false;
    char kind[16], path[1024];
    unsigned int crc;
    unsigned long long length;
    while (fscanf(in, "%15s %x %llu %1023[^\n]", kind, &crc, &length, path) == 4) {
        Sum sum = {crc, length};
        (strcmp(kind, "media") == 0 ? media_sums : file_sums)[path] = sum;
    }
    fclose(in);
    return true;
}

std::string check_sum(const std::string& path, const std::string& label, const Sum& sum) {
    Bytes bytes;
    if (!read_file(path, bytes))
        return label + ": missing or unreadable";
    if (bytes.size() != sum.length)
        return label + ": " + std::to_string(bytes.size()) + " bytes, built with " + std::to_string(sum.length);
    if (crc_of(bytes) != sum.crc)
        return label + ": contents differ from what was built (CRC-32)";
    return "";
}

// The installer's readers print their trace lines on standard output; the
// check keeps its own output clean of them.
class QuietStdout {
public:
    QuietStdout() : saved_(-1) {
        fflush(stdout);
        int null = open("/dev/null", O_WRONLY);
        if (null < 0)
            return;
        saved_ = dup(1);
        dup2(null, 1);
        ::close(null);
    }
    ~QuietStdout() {
        if (saved_ < 0)
            return;
        fflush(stdout);
        dup2(saved_, 1);
        ::close(saved_);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_;
};

std::string make_temp_folder() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/mediabuild.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    return mkdtemp(name.data()) ? std::string(name.data()) : std::string();
}

void remove_tree(const std::string& folder) {
    std::string command = "rm -rf '" + folder + "'";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "mediabuild: could not remove %s\n", folder.c_str());
}

std::string verify_entries(const std::string& media, const std::vector<ListEntry>& entries, const SumMap& file_sums,
                           const std::string& scratch) {
    for (size_t i = 0; i < entries.size(); i++) {
        std::string out = scratch + "/" + std::to_string(i);
        std::string fault = decode_entry(media, entries[i], out, true);
        if (fault.empty()) {
            SumMap::const_iterator sum = file_sums.find(entries[i].dest);
            if (sum != file_sums.end())
                fault = check_sum(out, entries[i].dest + " (from " + entries[i].name + ")", sum->second);
        }
        remove(out.c_str());
        if (!fault.empty())
            return fault;
    }
    return "";
}

}  // namespace

const char* form_name(MediaForm form) {
    static const char* names[] = {"plain", "archive", "compressed", "masked"};
    return names[form];
}

std::string media_path(const std::string& folder, const std::string& relative) {
    std::string path = folder + "/" + relative;
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

bool make_parents(const std::string& path) {
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && !disk_path_exists(part.c_str()))
            return false;
    }
    return true;
}

MediaForm resolve_form(const std::string& media, const ListEntry& entry) {
    if (disk_path_exists(media_path(media, entry.name).c_str()))
        return kFormPlain;
    if (disk_path_exists(media_path(media, "setup/" + entry.name).c_str()))
        return entry.marked ? kFormCompressed : kFormMasked;
    return kFormArchive;
}

// A media name is a bare file name; a destination stays below the folder it
// is extracted into (no drive, no leading separator, no ".." part).
bool safe_name(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

bool safe_relative(const std::string& path) {
    if (path.empty() || path[0] == '\\' || path[0] == '/' || path.find(':') != std::string::npos)
        return false;
    std::string part;
    for (size_t i = 0; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (part == "..")
                return false;
            part.clear();
        } else {
            part += path[i];
        }
    }
    return true;
}

std::string decode_entry(const std::string& media, const ListEntry& entry, const std::string& out_path, bool strict) {
    if (!safe_name(entry.name) || !safe_relative(entry.dest))
        return "install.dat: entry '" + entry.name + "' -> '" + entry.dest + "' leaves its folder";
    if (!make_parents(out_path))
        return out_path + ": its folder cannot be created";
    switch (resolve_form(media, entry)) {
    case kFormPlain:
        return copy_plain(media_path(media, entry.name), out_path) ? "" : entry.name + ": cannot be copied";
    case kFormCompressed:
        return expand_to(media_path(media, "setup/" + entry.name), out_path, strict, "setup/" + entry.name);
    case kFormMasked:
        return decode_masked(media, entry, out_path, strict);
    case kFormArchive:
        break;
    }
    return extract_member(media, entry.name, out_path);
}

std::string load_install_list(const std::string& media, std::vector<ListEntry>& entries) {
    Bytes bytes;
    if (!read_file(media + "/install.dat", bytes))
        return "install.dat: missing or unreadable";
    std::string text(bytes.begin(), bytes.end());
    long total = 0;
    std::string fault = read_install_list(text, entries, total);
    if (!fault.empty())
        return "install.dat: " + fault;
    if ((long)entries.size() != total)
        return "install.dat: count says " + std::to_string(total) + ", list has " + std::to_string(entries.size());
    return "";
}

std::string check_archive(const std::string& archive_path) {
    kFile file;
    if (!file.open((char*)archive_path.c_str(), (char*)"rb"))
        return "files.dat: missing or unreadable";
    unsigned long size = file.size();
    kFDFileEntry entry;
    unsigned long count = 0;
    while (file.read(&entry, sizeof entry) && entry.name[0])
        count++;
    unsigned long long directory_end = (unsigned long long)(count + 1) * kEntrySize;
    file.seek(0, 0);
    for (unsigned long i = 0; i < count; i++) {
        file.read(&entry, sizeof entry);
        std::string label = "files.dat: member " + std::to_string(i + 1);
        if (!memchr(entry.name, 0, sizeof entry.name))
            return label + ": name has no end within its 260 bytes";
        label += " '" + std::string(entry.name) + "'";
        unsigned long long k = entry.block_size;
        if (k == 0)
            return label + ": block size 0";
        unsigned long long end = entry.data_offset + (entry.length + k - 1) / k * 2 * k;
        if (entry.length && entry.data_offset < directory_end)
            return label + ": records overlap the directory";
        if (end > size)
            return label + ": records run past the end of the file";
    }
    return "";
}

int list_media(const std::string& media) {
    std::vector<ListEntry> entries;
    std::string fault = load_install_list(media, entries);
    if (!fault.empty()) {
        fprintf(stderr, "mediabuild: %s/%s\n", media.c_str(), fault.c_str());
        return 1;
    }
    printf("install.dat: %lu entries\n", (unsigned long)entries.size());
    for (const ListEntry& e : entries)
        printf("  %-10s %-24s -> %s\n", form_name(resolve_form(media, e)), e.name.c_str(), e.dest.c_str());
    kFilesDat archive;
    if (!archive.open((char*)archive_of(media).c_str())) {
        printf("files.dat: none\n");
        return 0;
    }
    printf("files.dat members (name, length, block size, offset):\n");
    kFDFileEntry entry;
    for (unsigned long i = 0; archive.retrieve_header(i, entry); i++)
        printf("  %-24s %10lu %8lu %10lu\n", entry.name, (unsigned long)entry.length, (unsigned long)entry.block_size,
               (unsigned long)entry.data_offset);
    return 0;
}

int verify_media(const std::string& media) {
    std::vector<ListEntry> entries;
    SumMap media_sums, file_sums;
    std::string fault = load_install_list(media, entries);
    if (fault.empty())
        fault = check_archive(archive_of(media));
    bool summed = load_sums(media, media_sums, file_sums);
    for (SumMap::const_iterator s = media_sums.begin(); fault.empty() && s != media_sums.end(); ++s)
        fault = check_sum(media + "/" + s->first, s->first, s->second);
    if (fault.empty()) {
        QuietStdout quiet;
        std::string scratch = make_temp_folder();
        fault = scratch.empty() ? "cannot make a temporary folder" : verify_entries(media, entries, file_sums, scratch);
        if (!scratch.empty())
            remove_tree(scratch);
    }
    if (!fault.empty()) {
        fprintf(stderr, "mediabuild: %s/%s\n", media.c_str(), fault.c_str());
        return 1;
    }
    printf("%s: %lu entries verified%s\n", media.c_str(), (unsigned long)entries.size(),
           summed ? ", contents match contents.crc" : " (no contents.crc: format checks only)");
    return 0;
}

int extract_media(const std::string& media, const std::string& out, bool members) {
    std::vector<ListEntry> entries;
    std::string fault = members ? "" : load_install_list(media, entries);
    if (members) {
        kFilesDat archive;
        kFDFileEntry entry;
        archive.open((char*)archive_of(media).c_str());
        for (unsigned long i = 0; fault.empty() && archive.retrieve_header(i, entry); i++) {
            std::string to = out + "/" + entry.name;
            if (!safe_name(entry.name))
                fault = std::string("files.dat: member name '") + entry.name + "' is not a bare file name";
            else if (!make_parents(to) || !archive.CopyFileA(entry.name, (char*)to.c_str(), 0))
                fault = std::string("files.dat: member '") + entry.name + "' does not extract";
        }
    }
    for (size_t i = 0; fault.empty() && i < entries.size(); i++)
        fault = decode_entry(media, entries[i], media_path(out, entries[i].dest), false);
    if (!fault.empty()) {
        fprintf(stderr, "mediabuild: %s/%s\n", media.c_str(), fault.c_str());
        return 1;
    }
    return 0;
}
