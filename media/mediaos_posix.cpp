// Native side of the media readers' file-system and clock services.
#include <pthread.h>
#include <semaphore.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <new>
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

void* thread_start(KTHREAD (*run)(void*), void* argument) {
    pthread_t* thread = new (std::nothrow) pthread_t;
    if (thread && pthread_create(thread, nullptr, run, argument) != 0) {
        delete thread;
        return nullptr;
    }
    return thread;
}

void thread_join(void* thread) {
    pthread_join(*(pthread_t*)thread, nullptr);
    delete (pthread_t*)thread;
}

// Semaphores that count to one at most in use: each raise is waited once.
void* signal_make() {
    sem_t* signal = new (std::nothrow) sem_t;
    if (signal && sem_init(signal, 0, 0) != 0) {
        delete signal;
        return nullptr;
    }
    return signal;
}

void signal_raise(void* signal) {
    sem_post((sem_t*)signal);
}

void signal_wait(void* signal) {
    while (sem_wait((sem_t*)signal) != 0) {
    }
}

void signal_free(void* signal) {
    sem_destroy((sem_t*)signal);
    delete (sem_t*)signal;
}

// Kept to 32 bits, as the Windows tick count is.
unsigned long tick_count() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long ms = (unsigned long long)now.tv_sec * 1000u + (unsigned long long)now.tv_nsec / 1000000u;
    return (unsigned long)(ms & 0xFFFFFFFFu);
}
