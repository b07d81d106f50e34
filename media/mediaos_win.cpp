// Win32 side of the media readers' file-system and clock services.
#include <windows.h>
#include <io.h>
#include <new>
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

namespace {

struct ThreadStart {
    void (*run)(void*);
    void* argument;
};

DWORD WINAPI thread_main(void* start) {
    ThreadStart* s = (ThreadStart*)start;
    s->run(s->argument);
    delete s;
    return 0;
}

}  // namespace

void* thread_start(void (*run)(void*), void* argument) {
    ThreadStart* start = new (std::nothrow) ThreadStart{run, argument};
    if (!start)
        return nullptr;
    // The 95 family fails a thread start that gives no room for its id.
    DWORD id;
    HANDLE thread = CreateThread(nullptr, 0, thread_main, start, 0, &id);
    if (!thread)
        delete start;
    return thread;
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
