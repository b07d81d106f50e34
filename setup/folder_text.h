// Folder texts of the install run: a trailing backslash taken off, the folder
// part of a path. Both step by characters of the system's double-byte code
// page, where a character's trail byte may have the value of a backslash.
#pragma once
#include "kstring.h"

// Removes one trailing backslash from folder's text (an unset text stays
// unset). A double-byte character whose trail byte is 0x5C is kept whole.
void strip_one_backslash(kString& folder);

// The text of path before its last backslash, into folder. 0 when path is
// null, has no backslash, or has nothing before it (folder is then left as
// it was): no folder can be made for such a path.
int folder_of(const char* path, kString& folder);
