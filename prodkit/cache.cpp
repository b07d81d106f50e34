// Cache size accounting: the data file named by the index "cache_data" in
// the cache folder, and the caller's amount scaled by limit / that size.
#include <stdint.h>
#include <string.h>
#include "prodkit.h"
#include "kit_internal.h"

// Windows joins with a backslash; the native build (tests only) with '/'.
#ifdef _WIN32
#define KIT_SEPARATOR '\\'
#else
#define KIT_SEPARATOR '/'
#endif

enum { kNameOffset = 12, kNameField = 36 };

int join_kit_path(char* path, const char* folder, const char* name) {
    size_t head = strlen(folder), tail = strlen(name);
    if (head + 1 + tail >= kKitPath)
        return 0;
    memcpy(path, folder, head);
    path[head] = KIT_SEPARATOR;
    memcpy(path + head + 1, name, tail + 1);
    return 1;
}

void read_cache_name(FILE* index, char* name) {
    memset(name, 0, kKitPath);
    if (fseek(index, kNameOffset, SEEK_SET) == 0)
        fread(name, 1, kNameField, index);
}

unsigned long Get_Current_Cache_Size(char* folder) {
    char path[kKitPath];
    if (!folder || !join_kit_path(path, folder, "cache_data"))
        return 0;
    FILE* index = fopen(path, "r");
    if (!index)
        return 0;
    char name[kKitPath];
    read_cache_name(index, name);
    fclose(index);
    // An empty name would name the folder itself, which is no data file
    // (and which some systems open for reading all the same).
    if (!name[0] || !join_kit_path(path, folder, name))
        return 0;
    FILE* data = fopen(path, "r");
    if (!data)
        return 0;
    printf("Opened %s\n", name);
    unsigned long size = open_file_length(data);
    fclose(data);
    return size;
}

static int bit_length(uint64_t v) {
    int n = 0;
    for (; v; v >>= 1)
        n++;
    return n;
}

// limit / size rounded to nearest (ties to even) in single precision, as
// significand * 2^exponent with significand in [2^23, 2^24]. Worked out in
// integers: a double quotient would round twice, and the product with the
// amount needs up to 56 bits, more than a double (or the x87 at the
// C runtime's 53-bit precision) keeps.
static void single_quotient(uint32_t limit, uint32_t size, uint64_t* significand, int* exponent) {
    // shift makes limit * 2^shift / size lie in [2^24, 2^25): 24 bits and a
    // rounding bit.
    int shift = 24 - (bit_length(limit) - bit_length(size));
    uint64_t q, remainder;
    for (;;) {
        uint64_t numerator = shift > 0 ? (uint64_t)limit << shift : limit;
        uint64_t denominator = shift < 0 ? (uint64_t)size << -shift : size;
        q = numerator / denominator;
        remainder = numerator % denominator;
        if (q >= (1u << 24))
            break;
        shift++;
    }
    uint64_t m = q >> 1;
    if ((q & 1) && (remainder || (m & 1)))
        m++;
    *significand = m;
    *exponent = 1 - shift;
}

unsigned long scale_by_cache(unsigned long size, unsigned long limit, unsigned long amount) {
    // No finite quotient: a defined 0 rather than a trap.
    if (size == 0 || limit == 0 || amount == 0)
        return 0;
    uint64_t m;
    int exponent;
    single_quotient((uint32_t)limit, (uint32_t)size, &m, &exponent);
    uint64_t product = (uint64_t)(uint32_t)amount * m;  // below 2^56
    if (exponent >= 0)
        return (uint32_t)(product << exponent);
    return exponent <= -64 ? 0 : (uint32_t)(product >> -exponent);
}

unsigned long Get_Logical_Max(char* folder, unsigned long limit, unsigned long amount) {
    return scale_by_cache(Get_Current_Cache_Size(folder), limit, amount);
}
