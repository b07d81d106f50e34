// Test file helpers shared by every build.
#include <stdio.h>
#include "tempfolder.h"

std::string TempFolder::path(const std::string& name) const {
    return root_ + kSeparator + name;
}

Bytes file_bytes(const std::string& path) {
    Bytes out;
    FILE* in = fopen(path.c_str(), "rb");
    if (!in)
        return out;
    unsigned char block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof block, in)) > 0)
        out.insert(out.end(), block, block + n);
    fclose(in);
    return out;
}

bool put_file(const std::string& path, const Bytes& bytes) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return fclose(out) == 0 && ok;
}

bool put_text(const std::string& path, const std::string& text) {
    return put_file(path, Bytes(text.begin(), text.end()));
}

bool file_exists(const std::string& path) {
    FILE* in = fopen(path.c_str(), "rb");
    if (in)
        fclose(in);
    return in != nullptr;
}
