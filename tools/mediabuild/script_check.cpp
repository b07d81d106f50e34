// A list the builder wrote must read the same through the script's scanner,
// and every entry must reach the file the builder meant on the media: a name
// or path the scanner would cut or refuse, or a stale file that the script
// would take first, never reaches a user.
#include "script_check.h"
#include <dirent.h>
#include <strings.h>
#include "../../vscript/install_list.h"
#include "kfilesdat.h"

namespace {

int collect(const InstallEntry& entry, void* context) {
    ((std::vector<std::string>*)context)->push_back(script_entry(entry.name, entry.marked, entry.dest));
    return 1;
}

int collect_entries(const InstallEntry& entry, void* context) {
    ((std::vector<InstallEntry>*)context)->push_back(entry);
    return 1;
}

// Whether folder holds an entry named name, compared without regard to case.
bool holds(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (struct dirent* entry = readdir(dir))
        found |= strcasecmp(entry->d_name, name.c_str()) == 0;
    closedir(dir);
    return found;
}

MediaForm form_found(const std::string& media, const InstallEntry& entry) {
    if (holds(media, entry.name))
        return kFormPlain;
    if (holds(media + "/setup", entry.name))
        return entry.marked ? kFormCompressed : kFormMasked;
    return kFormArchive;
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

std::string check_forms_as_script_finds(const std::string& media, const std::string& text,
                                        const std::vector<MediaForm>& forms) {
    std::vector<InstallEntry> entries;
    if (scan_install_list(text.data(), text.size(), collect_entries, &entries) != kListComplete ||
        entries.size() != forms.size())
        return "the install script would not read it whole";
    kFilesDat archive;
    bool has_archive = archive.open((char*)(media + "/files.dat").c_str());
    for (size_t i = 0; i < entries.size(); i++) {
        const InstallEntry& entry = entries[i];
        std::string label = "entry " + std::to_string(i + 1) + " '" + entry.name + "'";
        MediaForm found = form_found(media, entry);
        if (found != forms[i])
            return label + " would be installed as " + form_name(found) + ", not " + form_name(forms[i]) +
                   " (a file of that name is in the media folder" +
                   (found == kFormPlain ? "" : found == kFormArchive ? " nowhere" : "'s setup folder") + ")";
        bool in_archive = found == kFormArchive || found == kFormMasked;
        if (in_archive && (!has_archive || archive.GetFileAttributesA((char*)entry.name) == kFDNoAttributes))
            return label + ": files.dat has no member of that name" +
                   (found == kFormMasked ? " for the pad" : "");
    }
    return "";
}
