// Native side of the media readers' file-system and clock services.
#include <sys/stat.h>
#include <unistd.h>
#include <time.h>
#include "mediaos.h"

const char kJoinFormat[] = "%s/%s";

int disk_path_exists(const char* path) {
    struct stat info;
    return path && stat(path, &info) == 0;
}

int disk_file_exists(const char* path) {
    struct stat info;
    return path && stat(path, &info) == 0 && !S_ISDIR(info.st_mode);
}

int truncate_stream(FILE* stream, unsigned long length) {
    return fflush(stream) == 0 && ftruncate(fileno(stream), (off_t)length) == 0;
}

// Kept to 32 bits, as the Windows tick count is.
unsigned long tick_count() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long ms = (unsigned long long)now.tv_sec * 1000u + (unsigned long long)now.tv_nsec / 1000000u;
    return (unsigned long)(ms & 0xFFFFFFFFu);
}
