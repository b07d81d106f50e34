// The few file-system and clock services the media readers need, with one
// implementation per platform (mediaos_win.cpp, mediaos_posix.cpp).
#pragma once
#include <stdio.h>

// 1 when something (file or folder) exists at path.
int disk_path_exists(const char* path);
// 1 when path names an existing file that is not a folder.
int disk_file_exists(const char* path);
// Flushes stream and cuts its file to length bytes. 1 on success.
int truncate_stream(FILE* stream, unsigned long length);

// A second thread and the signals it is driven by. A signal wakes one wait
// and stays raised until then. Each make gives null when it cannot. The
// thread's function is declared with KTHREAD, the system's own form (the
// Windows one is called by the system directly), and returns 0.
#ifdef _WIN32
#define KTHREAD unsigned long __stdcall
#else
#define KTHREAD void*
#endif
void* thread_start(KTHREAD (*run)(void*), void* argument);
void thread_join(void* thread);  // waits for it to end and releases it
void* signal_make();
void signal_raise(void* signal);
void signal_wait(void* signal);
void signal_free(void* signal);

// Milliseconds since the system started (GetTickCount on Windows).
unsigned long tick_count();
// The format that joins a folder and a name into a path: "%s\\%s" on
// Windows; the native tools use "/" so that they can work on real folders.
extern const char kJoinFormat[];
