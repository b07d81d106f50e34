// Temporary test folders on the native build.
#include <ftw.h>
#include <stdlib.h>
#include <stdio.h>
#include <unistd.h>
#include "tempfolder.h"

const char kSeparator[] = "/";

TempFolder::TempFolder() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/mediatest.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    if (mkdtemp(name.data()))
        root_ = name.data();
}

static int remove_one(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

TempFolder::~TempFolder() {
    if (!root_.empty())
        nftw(root_.c_str(), remove_one, 16, FTW_DEPTH | FTW_PHYS);
}
