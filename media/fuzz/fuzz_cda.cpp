// Fuzz target: CD track files. Whatever opens must write back and open
// again to the same track, start and length.
#include "fuzzfile.h"
#include "kcdafile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quiet_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = put_input("track.cda", data, size);
    kCDAFile track;
    if (!track.open((char*)path.c_str()))
        return 0;
    track.start(2);
    track.length(1);
    std::string copy = scratch() + "/copy.cda";
    kCDAFile again;
    if (!track.write((char*)copy.c_str()) || !again.open((char*)copy.c_str()))
        __builtin_trap();
    if (again.track() != track.track() || again.start(0) != track.start(0) || again.length(0) != track.length(0))
        __builtin_trap();
    return 0;
}
