// The install list "install.dat": writing it, and reading it by the product
// script's rules ("total=N;" then "src=NAME;" with an optional "&" right
// after its ";" and "dest=PATH;" per entry).
#pragma once
#include <string>
#include <vector>

struct ListEntry {
    std::string name;  // source file name on the media
    bool marked;       // "&": a chunked compressed file in the "setup" folder
    std::string dest;  // destination, relative to the install folder
};

std::string write_install_list(const std::vector<ListEntry>& entries);

// Reads the list as the script does: the first "total" gives the count
// (C library strtol, base 0), then up to that many src/dest pairs. Returns
// "" or what is wrong. Fewer entries than the count is accepted, as the
// script accepts it; a missing "dest" or a field over 259 bytes is not.
std::string read_install_list(const std::string& text, std::vector<ListEntry>& entries, long& total);
