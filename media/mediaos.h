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
// Milliseconds since the system started (GetTickCount on Windows).
unsigned long tick_count();
// The format that joins a folder and a name into a path: "%s\\%s" on
// Windows; the native tools use "/" so that they can work on real folders.
extern const char kJoinFormat[];
