// Scratch files for the fuzz targets.
#include "fuzzfile.h"
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <vector>

const std::string& scratch() {
    static std::string folder;
    if (folder.empty()) {
        const char* base = getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/mediafuzz.XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back(0);
        if (!mkdtemp(name.data()))
            abort();
        folder = name.data();
    }
    return folder;
}

std::string put_input(const char* name, const uint8_t* data, size_t n) {
    std::string path = scratch() + "/" + name;
    FILE* out = fopen(path.c_str(), "wb");
    if (!out || fwrite(data, 1, n, out) != n || fclose(out) != 0)
        abort();
    return path;
}

void quiet_stdout() {
    if (!freopen("/dev/null", "w", stdout))
        abort();
}
