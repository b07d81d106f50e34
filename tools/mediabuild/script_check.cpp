// A list the builder wrote must read the same through the script's scanner:
// a name or path the scanner would cut or refuse never reaches the media.
#include "script_check.h"
#include "../../vscript/install_list.h"

namespace {

int collect(const ListEntry& entry, void* context) {
    ((std::vector<std::string>*)context)->push_back(script_entry(entry.name, entry.marked, entry.dest));
    return 1;
}

}  // namespace

std::string script_entry(const std::string& name, bool marked, const std::string& dest) {
    return name + (marked ? "|&|" : "||") + dest;
}

std::string check_as_script_reads(const std::string& text, const std::vector<std::string>& entries) {
    std::vector<std::string> read;
    int result = scan_install_list(text.data(), text.size(), collect, &read);
    if (result != kListComplete)
        return "the install script would not read it whole";
    for (size_t i = 0; i < entries.size(); i++)
        if (i >= read.size() || read[i] != entries[i])
            return "the install script would read entry " + std::to_string(i + 1) + " as '" +
                   (i < read.size() ? read[i] : std::string("nothing")) + "', not '" + entries[i] + "'";
    return "";
}
