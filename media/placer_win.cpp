// The file placer: copy, archive extraction, unmasking and expansion with
// Win32 file calls.
#include "placer.h"
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "chunks.h"
#include "kfilesdat.h"
#include "masked.h"
#include "mbcs.h"
#include "mediaos.h"
#include "paths.h"

namespace {

int folder_exists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Splits path at its last backslash (never a double-byte character's trail
// byte): head takes the text before it, and the tail after it is returned;
// null when path has none.
char* split_path(char* path, kString& head) {
    char* cut = (char*)mb_find_last(path, '\\');
    if (!cut || !head.set(path))
        return nullptr;
    head.text[cut - path] = 0;
    return cut + 1;
}

// Creates the folder with its missing parents and records every level made,
// deepest first: the uninstaller removes folders in recorded order, and a
// parent can only go once its children have. The levels made are the ones
// below the deepest that exists beforehand.
void make_folder(UninstallInfo& record, char* folder) {
    if (folder_exists(folder))
        return;
    kString level(folder);
    if (!level.text)
        return;
    size_t kept = 0;
    for (char* cut; (cut = (char*)mb_find_last(level.text, '\\')) != nullptr;) {
        *cut = 0;
        if (GetFileAttributesA(level.text) != INVALID_FILE_ATTRIBUTES) {
            kept = (size_t)(cut - level.text);
            break;
        }
    }
    if (create_path(folder) != 1 || !level.set(folder))
        return;
    for (char* end = level.text + strlen(level.text); end && (size_t)(end - level.text) > kept;
         end = (char*)mb_find_last(level.text, '\\')) {
        *end = 0;
        record.AddDir(level.text);
    }
}

// The media are often read-only; the installed copy must not be.
void clear_read_only(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

int copy_archive_member(UninstallInfo& record, char* source, char* destination) {
    kString archive_path;
    char* member = split_path(source, archive_path);
    if (!member || !disk_file_exists(archive_path))
        return 0;
    kFilesDat archive;
    if (!archive.open(archive_path))
        return 0;
    int ok = archive.CopyFileA(member, destination, 0);
    if (ok)
        record.AddFile(destination);
    archive.close();
    return ok;
}

}  // namespace

int copy_install_file(UninstallInfo& record, char* source, char* destination) {
    if (!source || !destination)
        return 0;
    // A destination without a folder part goes to the current folder.
    kString folder;
    if (split_path(destination, folder)) {
        make_folder(record, folder);
        if (!folder_exists(folder))
            return 0;
    }
    if (!disk_file_exists(source))
        return copy_archive_member(record, source, destination);
    if (!::CopyFileA(source, destination, FALSE))
        return 0;
    clear_read_only(destination);
    record.AddFile(destination);
    return 1;
}

int unmask_entry(UninstallInfo& record, FileEntry* entry) {
    kString pad_copy;
    if (!pad_copy.sprintf((char*)"%s.x", entry->destination.text))
        return 0;
    if (!copy_install_file(record, entry->pad_source, pad_copy))
        return 0;
    return unmask_file(entry->destination, pad_copy);
}

int expand_install_file(UninstallInfo& record, char* source, char* destination) {
    kFile in;
    if (!source || !destination || !disk_file_exists(source) || !in.open(source, (char*)"rb"))
        return 0;
    kString folder;
    if (split_path(destination, folder))
        make_folder(record, folder);
    kFile out;
    if (!out.open(destination, (char*)"wb"))
        return 0;
    ChunkExpander expander(0);
    if (!expander.expand(in, &out))
        return 0;
    out.close();
    record.AddFile(destination);
    return 1;
}

int place_entry(UninstallInfo& record, FileEntry* entry) {
    if (!entry || !entry->source.text || !entry->destination.text)
        return 0;
    int masked = (entry->flags & FileEntry::kMasked) != 0;
    kString unmasked;
    if (masked) {
        if (!unmasked.sprintf((char*)"%s.t", entry->destination.text))
            return 0;
        if (!copy_install_file(record, entry->source, unmasked))
            return 0;
        kString destination(entry->destination);
        entry->destination.set(unmasked);
        int ok = unmask_entry(record, entry);
        // The entry names its real destination again even when unmasking
        // failed: the failure hook and the retry both need it.
        entry->destination.set(destination);
        if (!ok)
            return 0;
    }
    char* source = masked ? unmasked.text : entry->source.text;
    int ok = (entry->flags & FileEntry::kCompressed) ? expand_install_file(record, source, entry->destination)
                                                      : copy_install_file(record, source, entry->destination);
    // A failed entry keeps its own source, so that placing it once more
    // starts again from the media.
    if (!ok)
        return 0;
    if (masked) {
        entry->source.set(unmasked);
        DeleteFileA(unmasked);
    }
    return 1;
}

int place_file(SetupInfo* info, FileEntry* entry) {
    if (!info)
        return 0;
    return place_entry(info->uninstall, entry);
}
