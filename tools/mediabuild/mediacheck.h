// Reading install media back: resolving each install-list entry as the
// product script does, and decoding it with the installer's own readers.
#pragma once
#include <string>
#include <vector>
#include "install_list.h"

enum MediaForm { kFormPlain, kFormArchive, kFormCompressed, kFormMasked };
const char* form_name(MediaForm form);

// The form the script gives the entry: a file beside "install.dat" is plain;
// one in "setup" is compressed when marked, else masked (pad: the archive
// member of the same name); anything else is an archive member.
MediaForm resolve_form(const std::string& media, const ListEntry& entry);

// Joins folder and a relative path whose parts may be separated by "\\".
std::string media_path(const std::string& folder, const std::string& relative);
// A media name is a bare file name; a destination is a relative path that
// stays below its folder (no drive, no leading separator, no ".." part).
bool safe_name(const std::string& name);
bool safe_relative(const std::string& path);
// Creates path's parent folders; false when one cannot be made.
bool make_parents(const std::string& path);

// Decodes the entry into out_path. strict adds the media checks the
// installer does not make (exact chunk lengths). Returns "" or the fault.
std::string decode_entry(const std::string& media, const ListEntry& entry, const std::string& out_path, bool strict);

// Reads and parses "install.dat" of the media; "" or the fault.
std::string load_install_list(const std::string& media, std::vector<ListEntry>& entries);

// Checks the directory of "files.dat": every record in bounds, after the
// directory, a non-zero block size for every non-empty member. "" or the fault.
std::string check_archive(const std::string& archive_path);

int list_media(const std::string& media);
int verify_media(const std::string& media);
int extract_media(const std::string& media, const std::string& out, bool members);
