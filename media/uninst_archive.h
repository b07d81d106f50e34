// Unpacking of the uninstall archive "uninst.dat": records of a name field
// (4-byte size, at most 260, then the zero-padded name) and the file's data
// (4-byte length, then the bytes), up to the end of the file.
#pragma once
#include "kptrvector.h"
#include "kstring.h"

enum { kUninstNameSize = 260 };

// Writes each record of archive as folder joined with its name. With
// overwrite 0 an existing file is kept (and not listed); every file written
// is appended to list (when given) as a new string that the list's owner
// deletes. 0 at the end of the archive; -1 when the archive cannot be read,
// a record is damaged (name field above 260 bytes, a name that is empty or
// names a folder, lengths past the end of the file) or a file cannot be
// written. Files written before a failure stay, and stay listed.
int unpack_uninstall_archive(char* archive, char* folder, int overwrite, kPtrVector<kString>* list);
