// The install list read back with the install script's own scanner, and its
// entries looked for on the built media the way the script looks for them.
#pragma once
#include <string>
#include <vector>
#include "mediacheck.h"

// One entry as "NAME|&|DEST" (marked) or "NAME||DEST".
std::string script_entry(const std::string& name, bool marked, const std::string& dest);
// "" when the script reads text as exactly the entries given, in order;
// else what it reads differently.
std::string check_as_script_reads(const std::string& text, const std::vector<std::string>& entries);
// "" when each entry the script reads from text is found on the media in
// forms[i], the form it was written in: the script takes a file beside the
// list first, then one in "setup" (compressed when marked, else masked with
// the archive member of the same name as pad), else the archive member.
// Names are compared without regard to case, as Windows finds files. Else
// the first entry found otherwise (a stale file left in the media folder,
// a missing member).
std::string check_forms_as_script_finds(const std::string& media, const std::string& text,
                                        const std::vector<MediaForm>& forms);
