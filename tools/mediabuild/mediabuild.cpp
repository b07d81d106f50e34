// mediabuild: makes install media from a product folder and a manifest, and
// lists, verifies and extracts them with the installer's own readers.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <set>
#include <string>
#include <vector>
#include "install_list.h"
#include "mediacheck.h"
#include "mediaos.h"
#include "mediawrite.h"
#include "script_check.h"

namespace {

const char kUsage[] =
    "usage: mediabuild build [options] PRODUCT_DIR MANIFEST MEDIA_DIR\n"
    "       mediabuild list MEDIA_DIR\n"
    "       mediabuild verify MEDIA_DIR\n"
    "       mediabuild extract [--members] MEDIA_DIR OUT_DIR\n"
    "\n"
    "build: makes MEDIA_DIR from the files of PRODUCT_DIR that MANIFEST names:\n"
    "  install.dat (the install list), files.dat (the archive), setup/ (compressed\n"
    "  and masked files), license.txt, the plain and extra files, and contents.crc\n"
    "  (CRC-32 of every media file and every installed file, read by verify).\n"
    "  options (override the manifest):\n"
    "    --block-size N   archive block size in bytes (default 65536)\n"
    "    --chunk-size N   plain bytes per zlib chunk (default 1048576)\n"
    "    --pad-size N     longest pad of a masked file, 0 = as long as it (default 0)\n"
    "    --seed N         seed of the mask and pad bytes (default: from the clock)\n"
    "    --level N        zlib level 0-9 (default 6)\n"
    "list: the install list with each entry's form, and the archive's members.\n"
    "verify: checks the install list, every archive record, every masked header and\n"
    "  checksum, every zlib chunk and length, and contents.crc when present.\n"
    "extract: decodes every listed file into OUT_DIR/DEST as setup.exe would;\n"
    "  with --members, writes every archive member (pads too) as stored, by name.\n"
    "\n"
    "MANIFEST: one directive a line; blank lines and lines starting with # are\n"
    "ignored; a field with blanks is written in double quotes.\n"
    "  plain      SOURCE DEST   copied beside install.dat\n"
    "  archive    SOURCE DEST   a member of files.dat\n"
    "  compressed SOURCE DEST   zlib chunks in setup/, marked \"&\" in the list\n"
    "  masked     SOURCE DEST   zlib chunks, masked, in setup/; its pad is the\n"
    "                           files.dat member of the same name\n"
    "  extra      SOURCE        copied beside install.dat, not listed (setup.exe,\n"
    "                           vscript.dll and the other programs the media carry)\n"
    "  license    SOURCE        copied as license.txt\n"
    "  block-size N | chunk-size N | pad-size N\n"
    "SOURCE is relative to PRODUCT_DIR; its file name becomes the name on the media\n"
    "(unique, at most 259 bytes). DEST is relative to the install folder, with \\ or /.\n"
    "Exit status: 0 done, 1 a fault (named with its file), 2 a usage error.\n";

enum ItemKind { kItemPlain, kItemArchive, kItemCompressed, kItemMasked, kItemExtra, kItemLicense };

MediaForm form_of(ItemKind kind) {
    static const MediaForm forms[] = {kFormPlain, kFormArchive, kFormCompressed, kFormMasked};
    return forms[kind];
}

struct Item {
    ItemKind kind;
    std::string source;  // path in the product folder
    std::string name;    // name on the media
    std::string dest;    // destination with backslashes
    int line;
};

struct Options {
    unsigned long block_size = 65536;
    unsigned long chunk_size = 1 << 20;
    unsigned long pad_size = 0;
    unsigned long long seed = 0;
    bool seeded = false;
    int level = 6;
};

int fail(const std::string& message) {
    fprintf(stderr, "mediabuild: %s\n", message.c_str());
    return 1;
}

bool parse_number(const char* text, unsigned long& value) {
    char* end;
    unsigned long long v = strtoull(text, &end, 0);
    if (!*text || *end || v > 0xFFFFFFFFull)
        return false;
    value = (unsigned long)v;
    return true;
}

// Splits a manifest line into fields; double quotes group blanks.
std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isspace((unsigned char)line[i]))
            i++;
        if (i >= line.size())
            break;
        std::string field;
        if (line[i] == '"') {
            size_t end = line.find('"', i + 1);
            field = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            i = end == std::string::npos ? line.size() : end + 1;
        } else {
            while (i < line.size() && !isspace((unsigned char)line[i]))
                field += line[i++];
        }
        out.push_back(field);
    }
    return out;
}

std::string base_name(const std::string& path) {
    size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string lower(std::string text) {
    for (char& c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

// A name the install list can carry and the archive can hold.
std::string name_fault(const std::string& name) {
    if (!safe_name(name) || name.size() > 259)
        return "'" + name + "' is not a file name of 1 to 259 bytes";
    for (unsigned char c : name) {
        if (c < 0x20 || strchr(";*?\"<>|", c))
            return "'" + name + "' holds a character the install list or Windows cannot carry";
    }
    return "";
}

std::string dest_fault(const std::string& dest) {
    if (!safe_relative(dest) || dest.size() > 259 || dest.find(';') != std::string::npos)
        return "destination '" + dest + "' must be a relative path of at most 259 bytes without ';' or '..'";
    return "";
}

bool directive_number(const std::vector<std::string>& f, const char* word, unsigned long& value, std::string& fault) {
    if (f[0] != word)
        return false;
    if (f.size() != 2 || !parse_number(f[1].c_str(), value))
        fault = std::string(word) + " needs one number";
    return true;
}

std::string parse_item(const std::vector<std::string>& f, int line, std::vector<Item>& items) {
    static const char* kinds[] = {"plain", "archive", "compressed", "masked", "extra", "license"};
    for (int k = 0; k < 6; k++) {
        if (f[0] != kinds[k])
            continue;
        bool listed = k <= kItemMasked;
        if (f.size() != (listed ? 3u : 2u))
            return f[0] + (listed ? " needs SOURCE and DEST" : " needs SOURCE");
        Item item = {(ItemKind)k, f[1], k == kItemLicense ? "license.txt" : base_name(f[1]), "", line};
        if (listed) {
            item.dest = f[2];
            for (char& c : item.dest) {
                if (c == '/')
                    c = '\\';
            }
        }
        std::string fault = name_fault(item.name);
        if (fault.empty() && listed)
            fault = dest_fault(item.dest);
        if (!fault.empty())
            return fault;
        items.push_back(item);
        return "";
    }
    return "unknown directive '" + f[0] + "'";
}

std::string read_manifest(const std::string& path, Options& options, std::vector<Item>& items) {
    FILE* in = fopen(path.c_str(), "r");
    if (!in)
        return path + ": cannot be read";
    char buffer[4096];
    std::string fault;
    for (int line = 1; fault.empty() && fgets(buffer, sizeof buffer, in); line++) {
        std::vector<std::string> f = fields_of(buffer);
        if (f.empty() || f[0][0] == '#')
            continue;
        if (!directive_number(f, "block-size", options.block_size, fault) &&
            !directive_number(f, "chunk-size", options.chunk_size, fault) &&
            !directive_number(f, "pad-size", options.pad_size, fault))
            fault = parse_item(f, line, items);
        if (!fault.empty())
            fault = path + ":" + std::to_string(line) + ": " + fault;
    }
    fclose(in);
    return fault;
}

// Every name on the media must resolve to its own entry: the script looks
// beside install.dat, then in setup/, then in files.dat, by name alone and
// without regard to case.
std::string check_names(const std::vector<Item>& items, const std::string& manifest) {
    std::set<std::string> seen = {"install.dat", "files.dat", "setup", "contents.crc"};
    int licenses = 0;
    for (const Item& item : items) {
        if (item.kind == kItemLicense) {
            if (++licenses > 1)
                return manifest + ":" + std::to_string(item.line) + ": a second license";
            continue;
        }
        if (!seen.insert(lower(item.name)).second || lower(item.name) == "license.txt")
            return manifest + ":" + std::to_string(item.line) + ": the name '" + item.name +
                   "' is already used on the media";
    }
    return "";
}

struct Progress {
    unsigned long long total, done;
    bool shown;
};

void show_progress(Progress& p, unsigned long long add) {
    p.done += add;
    if (p.total < (16ull << 20))
        return;
    fprintf(stderr, "\rmediabuild: %llu of %llu MiB packed", p.done >> 20, p.total >> 20);
    p.shown = true;
}

void archive_progress(uint64_t done, void* context) {
    Progress* p = (Progress*)context;
    static uint64_t last = 0;
    if (done < last)
        last = 0;
    if (done - last >= (4u << 20)) {
        show_progress(*p, done - last);
        last = done;
    }
}

std::string pack_setup_file(const Item& item, const std::string& product, const std::string& media,
                            const Options& options, MaskRandom& random, std::vector<ArchiveMember>& members) {
    Bytes plain;
    if (!read_file(product + "/" + item.source, plain))
        return product + "/" + item.source + ": cannot be read";
    Bytes packed = chunk_bytes(plain, options.chunk_size, options.level);
    if (packed.empty() && !plain.empty())
        return item.source + ": zlib could not compress it";
    if (item.kind == kItemMasked) {
        // The installer refuses an empty payload, so an empty file has no masked form.
        if (packed.empty())
            return item.source + ": an empty file cannot be masked; list it as compressed or archive";
        size_t pad_length = options.pad_size && options.pad_size < packed.size() ? options.pad_size : packed.size();
        ArchiveMember pad = {item.name, random.bytes(pad_length), "", pad_length};
        packed = mask_bytes(packed, pad.bytes);
        members.push_back(pad);
    }
    if (!write_file(media + "/setup/" + item.name, packed))
        return media + "/setup/" + item.name + ": cannot be written";
    return "";
}

std::string add_sum(FILE* sums, const char* kind, const std::string& path, const std::string& label) {
    Bytes bytes;
    if (!read_file(path, bytes))
        return path + ": cannot be read back";
    fprintf(sums, "%s %08x %llu %s\n", kind, crc_of(bytes), (unsigned long long)bytes.size(), label.c_str());
    return "";
}

// contents.crc: every file written to the media, and every file the media
// install (from its product file), for verify.
std::string write_sums(const std::string& product, const std::string& media, const std::vector<Item>& items) {
    FILE* sums = fopen((media + "/contents.crc").c_str(), "w");
    if (!sums)
        return media + "/contents.crc: cannot be written";
    std::string fault = add_sum(sums, "media", media + "/install.dat", "install.dat");
    if (fault.empty())
        fault = add_sum(sums, "media", media + "/files.dat", "files.dat");
    for (size_t i = 0; fault.empty() && i < items.size(); i++) {
        const Item& item = items[i];
        bool in_setup = item.kind == kItemCompressed || item.kind == kItemMasked;
        if (item.kind != kItemArchive)
            fault = add_sum(sums, "media", media + "/" + (in_setup ? "setup/" : "") + item.name,
                            (in_setup ? "setup/" : "") + item.name);
        if (fault.empty() && item.kind <= kItemMasked)
            fault = add_sum(sums, "file", product + "/" + item.source, item.dest);
    }
    if (fclose(sums) != 0 && fault.empty())
        fault = media + "/contents.crc: cannot be written";
    return fault;
}

std::string build_media(const std::string& product, const std::string& manifest, const std::string& media,
                        Options options, const Options& given, const char* overrides) {
    std::vector<Item> items;
    std::string fault = read_manifest(manifest, options, items);
    if (fault.empty())
        fault = check_names(items, manifest);
    if (!fault.empty())
        return fault;
    // Command-line values win over the manifest's.
    if (strchr(overrides, 'b'))
        options.block_size = given.block_size;
    if (strchr(overrides, 'c'))
        options.chunk_size = given.chunk_size;
    if (strchr(overrides, 'p'))
        options.pad_size = given.pad_size;
    if (options.block_size == 0 || options.chunk_size == 0)
        return "block size and chunk size must not be 0";
    Progress progress = {0, 0, false};
    for (const Item& item : items) {
        struct stat info;
        std::string path = product + "/" + item.source;
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return path + ": missing or not a file";
        progress.total += (unsigned long long)info.st_size;
    }
    if (mkdir(media.c_str(), 0755) != 0 && !disk_path_exists(media.c_str()))
        return media + ": cannot be created";
    if (mkdir((media + "/setup").c_str(), 0755) != 0 && !disk_path_exists((media + "/setup").c_str()))
        return media + "/setup: cannot be created";
    MaskRandom random(options.seeded ? options.seed : (uint64_t)time(nullptr) ^ ((uint64_t)clock() << 32));
    std::vector<ArchiveMember> members;
    std::vector<ListEntry> list;
    for (const Item& item : items) {
        std::string from = product + "/" + item.source;
        Bytes bytes;
        if (item.kind == kItemArchive) {
            struct stat info;
            stat(from.c_str(), &info);
            members.push_back({item.name, Bytes(), from, (uint64_t)info.st_size});
        } else if (item.kind == kItemCompressed || item.kind == kItemMasked) {
            fault = pack_setup_file(item, product, media, options, random, members);
            show_progress(progress, 0);
        } else if (!read_file(from, bytes) || !write_file(media + "/" + item.name, bytes)) {
            fault = from + ": cannot be copied to the media";
        }
        if (!fault.empty())
            return fault;
        if (item.kind <= kItemMasked)
            list.push_back({item.name, item.kind == kItemCompressed, item.dest});
        if (item.kind != kItemArchive)
            show_progress(progress, bytes.size());
    }
    FILE* archive = fopen((media + "/files.dat").c_str(), "wb");
    if (!archive)
        return media + "/files.dat: cannot be created";
    fault = write_archive(archive, members, options.block_size, random, archive_progress, &progress);
    if (fclose(archive) != 0 && fault.empty())
        fault = "cannot be written";
    if (!fault.empty())
        return media + "/files.dat: " + fault;
    std::string text = write_install_list(list);
    std::vector<std::string> expected;
    for (const ListEntry& entry : list)
        expected.push_back(script_entry(entry.name, entry.marked, entry.dest));
    fault = check_as_script_reads(text, expected);
    if (!fault.empty())
        return "install.dat: " + fault;
    if (!write_file(media + "/install.dat", Bytes(text.begin(), text.end())))
        return media + "/install.dat: cannot be written";
    std::vector<MediaForm> forms;
    for (const Item& item : items)
        if (item.kind <= kItemMasked)
            forms.push_back(form_of(item.kind));
    fault = check_forms_as_script_finds(media, text, forms);
    if (!fault.empty())
        return media + "/install.dat: " + fault;
    if (progress.shown)
        fprintf(stderr, "\n");
    return write_sums(product, media, items);
}

int run_build(int argc, char** argv) {
    Options given;
    std::string overrides;
    int i = 2;
    for (; i + 1 < argc && argv[i][0] == '-' && argv[i][1] == '-'; i += 2) {
        std::string option = argv[i];
        unsigned long value;
        if (!parse_number(argv[i + 1], value))
            return fail(option + " needs a number"), 2;
        if (option == "--block-size")
            given.block_size = value, overrides += 'b';
        else if (option == "--chunk-size")
            given.chunk_size = value, overrides += 'c';
        else if (option == "--pad-size")
            given.pad_size = value, overrides += 'p';
        else if (option == "--seed")
            given.seed = value, given.seeded = true;
        else if (option == "--level" && value <= 9)
            given.level = (int)value;
        else
            return fail("unknown option " + option + "\n" + kUsage), 2;
    }
    if (argc - i != 3)
        return fail(std::string("build needs PRODUCT_DIR MANIFEST MEDIA_DIR\n") + kUsage), 2;
    Options options = given;
    options.block_size = 65536;
    options.chunk_size = 1 << 20;
    options.pad_size = 0;
    std::string fault = build_media(argv[i], argv[i + 1], argv[i + 2], options, given, overrides.c_str());
    return fault.empty() ? 0 : fail(fault);
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "--help" || command == "-h" || command == "help") {
        fputs(kUsage, stdout);
        return 0;
    }
    if (command == "build")
        return run_build(argc, argv);
    if (command == "list" && argc == 3)
        return list_media(argv[2]);
    if (command == "verify" && argc == 3)
        return verify_media(argv[2]);
    if (command == "extract" && argc == 4)
        return extract_media(argv[2], argv[3], false);
    if (command == "extract" && argc == 5 && strcmp(argv[2], "--members") == 0)
        return extract_media(argv[3], argv[4], true);
    fputs(kUsage, stderr);
    return 2;
}
