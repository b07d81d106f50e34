// The uninstall archive "uninst.dat": records of a 260-byte name field and
// the file's whole contents, as the install packs the uninstaller's files.
#pragma once
#include "kfile.h"
#include "kstring.h"

enum { kArchiveNameField = 260 };

// Unpacks every record of archive into folder as "%s\\%s". With overwrite off
// a file that already exists is kept and skipped. The path of every file
// written is appended to written (when not null). 0 on success; -1 when the
// archive cannot be opened or is malformed: a name field above 260 bytes,
// a name without its zero byte, a name that is not a plain file name (a
// folder separator, a drive, "." or ".."), a record cut short, or a file
// that cannot be written in full.
int unpack_archive(char* archive, char* folder, int overwrite, kPtrVector<kString>* written);

// 1 when name may be unpacked: non-empty, not "." or "..", and without "\\",
// "/" or ":", so that it cannot leave the target folder.
int archive_name_ok(const char* name);

// Appends the record of the file at path to archive: a 260-byte name field
// holding the text after the path's last "\\" (zero-padded) and the file's
// whole contents. 1 on success. 0, with nothing written, when the path has no
// "\\", the name is one that unpack_archive refuses or does not leave room
// for its zero byte, or the file is empty or unreadable; 0 also when a write
// fails (the archive may then end with part of the record).
int append_archive_record(kFile& archive, char* path);
