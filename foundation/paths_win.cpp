// Install-folder checks and creation against the file system.
#include <stdio.h>
#include "paths.h"
#include "pathtext.h"

// What a leading part of a path is on disk.
enum Level { kNothingThere, kAFolder, kAFile };

static Level level_of(const char* part) {
    DWORD attributes = GetFileAttributesA(part);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return kNothingThere;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? kAFolder : kAFile;
}

// Cuts path at its backslashes one at a time so that each leading part can
// be looked at in place; the byte under the cut is put back at once.
class LeadingParts {
public:
    explicit LeadingParts(char* path) : path(path), count(path ? path_cuts(path, cuts) : -1) {}
    int ok() const { return count >= 0; }
    // Number of parts, the whole path included.
    int size() const { return count + 1; }
    // Cuts the text after part i (the last part is the whole path).
    const char* cut(int i) {
        if (i < count)
            path[cuts[i]] = 0;
        return path;
    }
    void restore(int i) {
        if (i < count)
            path[cuts[i]] = '\\';
    }

private:
    char* path;
    int cuts[kMaxPathLevels];
    int count;
};

int validate_path(char* path) {
    LeadingParts parts(path);
    if (!parts.ok())
        return 0;
    for (int i = 0; i < parts.size(); i++) {
        const char* part = parts.cut(i);
        printf("checking %s\n", part);
        Level level = level_of(part);
        parts.restore(i);
        if (level == kAFile)
            return 0;
    }
    return 1;
}

int path_is_ok(char* path, int root_ok, int any_drive) {
    if (!path_text_ok(path, root_ok))
        return 0;
    if (!any_drive) {
        char root[4];
        sprintf(root, "%c:\\", path[0]);
        if (GetDriveTypeA(root) != DRIVE_FIXED)
            return 0;
    }
    return validate_path(path);
}

int create_path(char* path) {
    LeadingParts parts(path);
    if (!parts.ok())
        return 0;
    bool missing[kMaxPathLevels + 1];
    for (int i = 0; i < parts.size(); i++) {
        Level level = level_of(parts.cut(i));
        parts.restore(i);
        if (level == kAFile)
            return 0;
        missing[i] = level == kNothingThere;
    }
    for (int i = 0; i < parts.size(); i++) {
        const char* part = parts.cut(i);
        int created = missing[i] ? CreateDirectoryA(part, nullptr) : 1;
        if (created)
            printf(missing[i] ? "created %s\n" : "using %s\n", part);
        parts.restore(i);
        if (!created)
            return 0;
    }
    return 1;
}
