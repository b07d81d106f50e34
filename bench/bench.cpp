// placer_bench: times placing install-media files against zlib's own inflate
// and a plain copy. Usage:
//   placer_bench MEDIA_DIR OUT_DIR [REPEATS [SMALL_DIR]]  the scenarios, best
//       of REPEATS; with SMALL_DIR also plain copies of the small files
//   placer_bench expand CHUNK_FILE OUT_FILE   one expansion, then peak memory
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <zlib.h>
#include "bench.h"
#include "kfilesdat.h"

namespace {

std::string join(const std::string& a, const std::string& b) {
    return a + kSep + b;
}

std::vector<unsigned char> load(const std::string& path) {
    std::vector<unsigned char> out;
    FILE* in = fopen(path.c_str(), "rb");
    if (!in)
        return out;
    fseek(in, 0, SEEK_END);
    out.resize((size_t)ftell(in));
    fseek(in, 0, SEEK_SET);
    if (fread(out.data(), 1, out.size(), in) != out.size())
        out.clear();
    fclose(in);
    return out;
}

// zlib's one-call inflate over every chunk, from memory into memory: the
// bound for any expansion of this file.
int inflate_in_memory(const std::vector<unsigned char>& file, double& bytes) {
    std::vector<unsigned char> plain;
    bytes = 0;
    for (size_t at = 0; at + 8 <= file.size();) {
        unsigned long c = file[at] | file[at + 1] << 8 | file[at + 2] << 16 | (unsigned long)file[at + 3] << 24;
        unsigned long u = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 | (unsigned long)file[at + 7] << 24;
        if (plain.size() < u)
            plain.resize(u);
        uLongf produced = u;
        if (uncompress(plain.data(), &produced, &file[at + 8], c) != Z_OK)
            return 0;
        bytes += produced;
        at += 8 + c;
    }
    return 1;
}

struct Result {
    const char* name;
    double seconds;
    double mib;
};

// The destination is deleted before each run, outside the time: an install
// writes new files, it does not truncate old ones.
template <class F>
Result best_of(const char* name, int repeats, double mib, const std::string& destination, F run) {
    Result r = {name, 1e30, mib};
    for (int i = 0; i < repeats; i++) {
        remove_file(destination.c_str());
        double start = seconds_now();
        if (!run()) {
            fprintf(stderr, "placer_bench: %s failed\n", name);
            exit(1);
        }
        double took = seconds_now() - start;
        if (took < r.seconds)
            r.seconds = took;
    }
    fprintf(stderr, "%-28s %8.3f s %9.1f MiB/s\n", name, r.seconds, r.mib / r.seconds);
    return r;
}

std::vector<std::string> small_members(const std::string& archive_path) {
    std::vector<std::string> names;
    kFilesDat archive;
    _WIN32_FIND_DATAA data;
    if (!archive.open((char*)archive_path.c_str()))
        return names;
    void* search = archive.FindFirstFileA(&data);
    for (int more = search != nullptr; more; more = archive.FindNextFileA(search, &data)) {
        if (strncmp(data.cFileName, "big", 3) != 0)
            names.push_back(data.cFileName);
    }
    archive.FindClose(search);
    return names;
}

int run_scenarios(const std::string& media, const std::string& out, int repeats, const char* small_plain) {
    std::string archive = join(media, "files.dat"), setup = join(media, "setup");
    std::string packed_path = join(setup, "big.bin");
    std::vector<unsigned char> packed = load(packed_path);
    double mib = 0;
    if (packed.empty() || !inflate_in_memory(packed, mib))
        return fprintf(stderr, "placer_bench: %s is not a chunk file\n", packed_path.c_str()), 1;
    mib /= 1048576.0;
    std::string d = join(out, "big.out");
    best_of("zlib inflate, no file I/O", repeats, mib, d, [&] {
        double ignored;
        return inflate_in_memory(packed, ignored);
    });
    best_of("plain file copy", repeats, mib, d, [&] { return copy_plain(join(media, "bigp.bin").c_str(), d.c_str()); });
    best_of("compressed (1 MiB chunks)", repeats, mib, d, [&] { return place_compressed(packed_path.c_str(), d.c_str()); });
    best_of("masked and compressed", repeats, mib, d, [&] {
        return place_masked_compressed(join(setup, "bigm.bin").c_str(), join(archive, "bigm.bin").c_str(), d.c_str());
    });
    best_of("archive member", repeats, mib, d, [&] { return place_member(join(archive, "biga.bin").c_str(), d.c_str()); });
    remove_file(d.c_str());
    std::vector<std::string> names = small_members(archive);
    std::vector<unsigned char> list = load(join(media, "small.size"));
    double small_mib = atof(std::string(list.begin(), list.end()).c_str()) / 1048576.0;
    best_of("2,000 small archive members", repeats, small_mib, d, [&] {
        for (const std::string& name : names)
            remove_file(join(out, name).c_str());
        for (const std::string& name : names) {
            if (!place_member(join(archive, name).c_str(), join(out, name).c_str()))
                return 0;
        }
        return 1;
    });
    if (small_plain) {
        // The floor for many small files: the system's own copy of each.
        best_of("2,000 small plain copies", repeats, small_mib, d, [&] {
            for (const std::string& name : names)
                remove_file(join(out, name).c_str());
            for (const std::string& name : names) {
                if (!copy_plain(join(small_plain, name).c_str(), join(out, name).c_str()))
                    return 0;
            }
            return 1;
        });
    }
    for (const std::string& name : names)
        remove_file(join(out, name).c_str());
    return 0;
}

}  // namespace

// Results go to standard error: standard output carries the readers' own
// trace lines ("found file and beginning copy"), which are discarded.
int main(int argc, char** argv) {
    quiet_stdout();
    if (argc == 4 && strcmp(argv[1], "expand") == 0) {
        long before = peak_memory_kb();
        if (!place_compressed(argv[2], argv[3]))
            return fprintf(stderr, "placer_bench: %s does not expand\n", argv[2]), 1;
        fprintf(stderr, "peak memory %ld KiB (%ld KiB before expanding)\n", peak_memory_kb(), before);
        return 0;
    }
    if (argc < 3 || argc > 5) {
        fprintf(stderr, "usage: placer_bench MEDIA_DIR OUT_DIR [REPEATS [SMALL_DIR]] | placer_bench expand CHUNK_FILE OUT_FILE\n");
        return 2;
    }
    return run_scenarios(argv[1], argv[2], argc >= 4 ? atoi(argv[3]) : 3, argc == 5 ? argv[4] : nullptr);
}
