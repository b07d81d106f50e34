// The cache index reader on any index file contents.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <stdlib.h>
#include "kit_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* index = tmpfile();
    if (!index)
        return 0;
    fwrite(data, 1, size, index);
    char name[kKitPath];
    read_cache_name(index, name);
    fclose(index);
    // The name never takes more than its field, so it always ends in the buffer.
    if (strlen(name) > 36)
        abort();
    char path[kKitPath];
    join_kit_path(path, "cache", name);
    return 0;
}
