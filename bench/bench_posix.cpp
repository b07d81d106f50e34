// The benchmark natively: the portable decoding code, in the placer's order.
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>
#include <string>
#include "bench.h"
#include "chunks.h"
#include "kfilesdat.h"
#include "masked.h"

const char kSep[] = "/";

double seconds_now() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

void quiet_stdout() {
    if (!freopen("/dev/null", "w", stdout))
        perror("/dev/null");
}

long peak_memory_kb() {
    struct rusage usage;
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}

int place_compressed(const char* source, const char* destination) {
    kFile out;
    return out.open((char*)destination, (char*)"wb") && expand_chunk_file((char*)source, out);
}

int copy_plain(const char* source, const char* destination) {
    FILE* in = fopen(source, "rb");
    FILE* out = fopen(destination, "wb");
    static char block[1 << 20];
    size_t n;
    int ok = in && out;
    while (ok && (n = fread(block, 1, sizeof block, in)) > 0)
        ok = fwrite(block, 1, n, out) == n;
    if (in)
        fclose(in);
    if (out && fclose(out) != 0)
        ok = 0;
    return ok;
}

int place_member(const char* member, const char* destination) {
    std::string path = member;
    size_t cut = path.rfind('/');
    kFilesDat archive;
    if (cut == std::string::npos || !archive.open((char*)path.substr(0, cut).c_str()))
        return 0;
    return archive.CopyFileA((char*)path.c_str() + cut + 1, (char*)destination, 0);
}

int place_masked_compressed(const char* source, const char* pad_member, const char* destination) {
    std::string t = std::string(destination) + ".t", x = t + ".x";
    int ok = copy_plain(source, t.c_str()) && place_member(pad_member, x.c_str()) &&
             unmask_file((char*)t.c_str(), (char*)x.c_str()) && place_compressed(t.c_str(), destination);
    remove(t.c_str());
    return ok;
}

int remove_file(const char* path) {
    return remove(path) == 0;
}
