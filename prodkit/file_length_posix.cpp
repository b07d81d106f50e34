// The length of an open file from the system (native builds, tests only).
#include <stdio.h>
#include <sys/stat.h>
#include "kit_internal.h"

unsigned long open_file_length(FILE* file) {
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || status.st_size < 0)
        return 0;
    return (unsigned long long)status.st_size > 0xFFFFFFFFull ? 0xFFFFFFFFul : (unsigned long)status.st_size;
}
