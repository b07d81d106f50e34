// Throughput benchmark of the file placer: the platform side (the placer
// itself on Windows, the portable decoding code natively).
#pragma once

extern const char kSep[];
double seconds_now();
// Sends standard output to the null device.
void quiet_stdout();
// Peak memory of this process so far, in KiB (0 when unknown).
long peak_memory_kb();
// Each returns 1 when destination was written. source paths name media
// files; a member path is the archive path, a separator and the name.
int place_compressed(const char* source, const char* destination);
int place_masked_compressed(const char* source, const char* pad_member, const char* destination);
int place_member(const char* member, const char* destination);
int copy_plain(const char* source, const char* destination);
int remove_file(const char* path);
