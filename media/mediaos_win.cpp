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

// The stream's descriptor is read from the stream itself, as the C runtime's
// own _fileno macro did: one import fewer.
int truncate_stream(FILE* stream, unsigned long length) {
    return fflush(stream) == 0 && _chsize(stream->_file, (long)length) == 0;
}

void* thread_start(KTHREAD (*run)(void*), void* argument) {
    // The 95 family fails a thread start that gives no room for its id.
    DWORD id;
    return CreateThread(nullptr, 0, run, argument, 0, &id);
}

void thread_join(void* thread) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

// Auto-reset events: raised, each wakes one wait.
void* signal_make() {
    return CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

void signal_raise(void* signal) {
    SetEvent(signal);
}

void signal_wait(void* signal) {
    WaitForSingleObject(signal, INFINITE);
}

void signal_free(void* signal) {
    CloseHandle(signal);
}

unsigned long tick_count() {
    return GetTickCount();
}
