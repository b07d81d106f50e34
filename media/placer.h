// The file placer: brings one file entry of the install description from the
// install media to its destination (plain copy, archive member, unmasking
// with a pad file, chunked zlib expansion) and records in the uninstall
// record every file it wrote and every folder it created.
#pragma once
#include "setupinfo.h"

// Places entry (the copy stage's "place one entry" step): 1 when the entry's
// destination D has been written, 0 on failure, with no message. For a masked
// entry (flags bit 1) the masked file is first copied to "D.t" and unmasked
// there with its pad copied to "D.t.x"; on success the entry's source then
// names "D.t" (deleted again once D is written). After a failure the entry
// is as it was given, so that it can be placed once more. Files already
// written on a failure stay where they are. Exported: the script's file
// failure hook places an entry once more through it.
KAPI int place_file(SetupInfo* info, FileEntry* entry);

// The steps of placing, each recording into record:
int place_entry(UninstallInfo& record, FileEntry* entry);
// Copies source to destination: a file on disk when source names one, else
// the member after source's last backslash of the install archive before it.
// Creates the destination's folder (with its parents) when missing.
int copy_install_file(UninstallInfo& record, char* source, char* destination);
// Unmasks the file named by entry's destination with entry's pad source.
int unmask_entry(UninstallInfo& record, FileEntry* entry);
// Expands the chunked compressed file source (on disk) into destination.
int expand_install_file(UninstallInfo& record, char* source, char* destination);
