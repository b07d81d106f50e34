// Builds uninstall archive records for the tests.
#pragma once
#include <string>

inline std::string le32(unsigned long v) {
    std::string s;
    for (int i = 0; i < 4; i++)
        s += (char)((v >> (8 * i)) & 0xFF);
    return s;
}

// One record as the installer writes it: a zero-padded name field of
// name_size bytes (260 normally) and the data.
inline std::string archive_record(const std::string& name, const std::string& data,
                                  unsigned long name_size = 260) {
    std::string field = name;
    field.resize(name_size, '\0');
    return le32(name_size) + field + le32((unsigned long)data.size()) + data;
}
