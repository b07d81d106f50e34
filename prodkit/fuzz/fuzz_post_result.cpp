// The counter reply reader on any bytes, as many as a receive can bring.
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <vector>
#include "kit_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reply buffer holds exactly the received bytes: nothing readable
    // past them, so any read beyond is caught.
    std::vector<char> reply(data, data + size);
    long number = 0;
    read_post_result(reply.data(), reply.size(), &number);
    return 0;
}
