// Fuzz target: the install list scanner. Every entry it hands over has
// terminated fields of at most 259 bytes and a destination inside the
// install folder.
#include <stdint.h>
#include <string.h>
#include "install_list.h"

static int check(const InstallEntry& entry, void*) {
    if (strlen(entry.name) > 259 || strlen(entry.dest) > 259 || !dest_is_relative(entry.dest))
        __builtin_trap();
    return 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    scan_install_list((const char*)data, size, check, nullptr);
    return 0;
}
