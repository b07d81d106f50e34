// The install list: writer and reader.
#include "install_list.h"
#include <stdlib.h>

namespace {

const size_t kFieldMax = 259;

// The field that starts at from and runs to the next ";".
bool field(const std::string& text, size_t from, std::string& value, size_t& end) {
    end = text.find(';', from);
    if (from > text.size() || end == std::string::npos || end - from > kFieldMax)
        return false;
    value = text.substr(from, end - from);
    return true;
}

}  // namespace

std::string write_install_list(const std::vector<ListEntry>& entries) {
    std::string text = "total=" + std::to_string(entries.size()) + ";\r\n";
    for (const ListEntry& e : entries)
        text += "src=" + e.name + (e.marked ? ";& " : "; ") + "dest=" + e.dest + ";\r\n";
    return text;
}

std::string read_install_list(const std::string& text, std::vector<ListEntry>& entries, long& total) {
    entries.clear();
    size_t at = text.find("total"), end;
    std::string count;
    if (at == std::string::npos)
        return "no \"total\" field";
    if (!field(text, at + 6, count, end))
        return "the \"total\" field is not ended by ';' or is too long";
    total = strtol(count.c_str(), nullptr, 0);
    if (total <= 0)
        return "the count \"" + count + "\" is not a positive number";
    size_t pos = text.find("src");
    for (long i = 0; i < total; i++) {
        at = text.find("src", pos == std::string::npos ? text.size() : pos);
        if (at == std::string::npos)
            return i > 0 ? "" : "no \"src\" field";
        ListEntry entry;
        if (!field(text, at + 4, entry.name, end))
            return "entry " + std::to_string(i + 1) + ": \"src\" not ended by ';' or too long";
        pos = end + 1;
        entry.marked = pos < text.size() && text[pos] == '&';
        at = text.find("dest", pos);
        if (at == std::string::npos)
            return "entry " + std::to_string(i + 1) + " (" + entry.name + "): no \"dest\" field";
        if (!field(text, at + 5, entry.dest, end))
            return "entry " + std::to_string(i + 1) + ": \"dest\" not ended by ';' or too long";
        pos = end;
        entries.push_back(entry);
    }
    return "";
}
