// Pieces of the runtime kit shared between its files and with its tests;
// none of them is exported.
#pragma once
#include <stddef.h>
#include <stdio.h>

// Writes "out of memory" to standard error and ends the process with
// status 1: what the kit does when it cannot have the memory it needs.
[[noreturn]] void kit_out_of_memory();
// malloc that never returns null (kit_out_of_memory instead).
void* kit_allocate(size_t size);
// Empties the URL log and the exclude list (the kit's entry calls it when
// the kit is unloaded).
void kit_release_lists();

// The counter server's answer in the first bytes of its reply: the bytes up
// to the first zero byte (at most length) are searched for "postresult=".
// 1 when found, with the signed decimal number after it (leading white
// space and a sign allowed, no digits: 0; saturated at the long range, so
// that any non-zero number stays non-zero) in *number; 0 when not found
// (*number untouched).
int read_post_result(const char* reply, size_t length, long* number);

// Paths of the kit live in buffers of this size.
enum { kKitPath = 260 };

// "%s\\%s" of folder and name into path (kKitPath bytes); 0 when it would
// not fit (path then unusable).
int join_kit_path(char* path, const char* folder, const char* name);

// Reads the data file's name from an open cache index: up to 36 bytes from
// byte 12, ending at the first zero byte. name has kKitPath bytes and is
// zero-filled first, so a short index gives a short or empty name.
void read_cache_name(FILE* index, char* name);

// Length in bytes of the open file; 0xFFFFFFFF for 4 GiB or more (a size
// saturates rather than wraps), 0 when the system cannot tell.
unsigned long open_file_length(FILE* file);

// limit / size rounded to single precision, times amount, truncated: the low
// 32 bits of the exact product. 0 when size is 0.
unsigned long scale_by_cache(unsigned long size, unsigned long limit, unsigned long amount);
