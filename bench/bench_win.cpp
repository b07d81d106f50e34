// The benchmark on Windows: the file placer itself.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include "bench.h"
#include "placer.h"

const char kSep[] = "\\";

void quiet_stdout() {
    if (!freopen("NUL", "w", stdout))
        perror("NUL");
}

double seconds_now() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

long peak_memory_kb() {
    PROCESS_MEMORY_COUNTERS counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return (long)(counters.PeakWorkingSetSize / 1024);
}

static int place(const char* source, const char* pad, const char* destination, unsigned char flags) {
    FileEntry entry;
    entry.source.set(source);
    entry.pad_source.set(pad);
    entry.destination.set(destination);
    entry.flags = flags;
    UninstallInfo record;
    return place_entry(record, &entry);
}

int place_compressed(const char* source, const char* destination) {
    return place(source, nullptr, destination, FileEntry::kCompressed);
}

int place_masked_compressed(const char* source, const char* pad_member, const char* destination) {
    return place(source, pad_member, destination, FileEntry::kMasked | FileEntry::kCompressed);
}

int place_member(const char* member, const char* destination) {
    return place(member, nullptr, destination, 0);
}

int copy_plain(const char* source, const char* destination) {
    return CopyFileA(source, destination, FALSE) != 0;
}

int remove_file(const char* path) {
    return DeleteFileA(path) != 0;
}
