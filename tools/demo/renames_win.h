// The renames and deletions waiting for the next start of Windows: NT keeps
// them as pairs of texts in the Session Manager's PendingFileRenameOperations,
// the Windows 95 family as TARGET=SOURCE lines in the "rename" section of
// wininit.ini in the Windows folder.
#pragma once
#include <string>
#include <vector>

enum RenameList { kNtRenames, kWininitRenames };

struct PendingRename {
    std::string from;  // as the request names it
    std::string to;    // as the request names it: empty or "NUL" deletes
    bool deletes() const;
};

// The requests of list in their order; none when the list does not exist.
std::vector<PendingRename> read_renames(RenameList list);
// Replaces list with renames; an empty list is removed (and wininit.ini
// with it when nothing else is in the file). 1 on success.
int write_renames(RenameList list, const std::vector<PendingRename>& renames);

// A path as the file system spells it: a request may name a file in
// capitals, in its short form or after NT's "\??\".
std::string spelled_path(std::string path);
