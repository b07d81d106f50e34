// Fuzz target: the chunked compressed file, expanded as the installer does
// and as the media check does.
#include "chunks.h"
#include "fuzzfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = put_input("chunks", data, size);
    kFile out;
    if (!out.open((char*)"/dev/null", (char*)"wb"))
        return 0;
    int results[2];
    unsigned long long produced[2];
    for (int strict = 0; strict < 2; strict++) {
        kFile in;
        if (!in.open((char*)path.c_str(), (char*)"rb"))
            return 0;
        ChunkExpander expander(strict);
        results[strict] = expander.expand(in, &out);
        produced[strict] = expander.plain_bytes;
    }
    // The media check is stricter, never more lenient, and decodes the same.
    if (results[1] && (!results[0] || produced[0] != produced[1]))
        __builtin_trap();
    return 0;
}
