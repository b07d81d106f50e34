// Fuzz target: a masked file and its unmasking. The input is the masked file
// (its header and the payload length it declares) followed by the pad file;
// a masked file that unmasks is then expanded as the installer does.
#include "chunks.h"
#include "fuzzfile.h"
#include "masked.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t masked_size = size;
    if (size >= kMaskedHeaderSize) {
        MaskedHeader header;
        decode_masked_header(data, header);
        if (header.payload_length < size - kMaskedHeaderSize)
            masked_size = kMaskedHeaderSize + header.payload_length;
    }
    std::string t = put_input("m.t", data, masked_size);
    std::string x = put_input("m.t.x", data + masked_size, size - masked_size);
    if (!unmask_file((char*)t.c_str(), (char*)x.c_str()))
        return 0;
    kFile in, out;
    if (in.open((char*)t.c_str(), (char*)"rb") && out.open((char*)"/dev/null", (char*)"wb")) {
        ChunkExpander expander(0);
        expander.expand(in, &out);
    }
    return 0;
}
