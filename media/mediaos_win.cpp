// Win32 side of the media readers' file-system and clock services.
#include <windows.h>
#include <io.h>
#include "mediaos.h"

const char kJoinFormat[] = "%s\\%s";

int disk_path_exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int disk_file_exists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int truncate_stream(FILE* stream, unsigned long length) {
    return fflush(stream) == 0 && _chsize(_fileno(stream), (long)length) == 0;
}

unsigned long tick_count() {
    return GetTickCount();
}
