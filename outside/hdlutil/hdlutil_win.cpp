// hdlutil.dll: the media probe and the tuning applied at the next start.
#define HDLUTIL_BUILD
#include "hdlutil.h"
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "install_scan.h"
#include "netparams.h"

namespace {

// The archive's directory entry: name, block size, reserved, length, offset.
struct ArchiveEntry {
    char name[260];
    DWORD block_size, reserved, length, data_offset;
};
static_assert(sizeof(ArchiveEntry) == 276, "archive directory entries are 276 bytes");

const long kLargestList = 16 * 1024 * 1024;

int join(char* out, const char* folder, const char* name) {
    int length = snprintf(out, 260, "%s\\%s", folder, name);
    return length > 0 && length < 260;
}

int exists(const char* folder, const char* name) {
    char path[260];
    return join(path, folder, name) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// 1 when files.dat in folder has a member name whose stored records all lie
// inside the archive.
int archive_has(const char* folder, const char* name) {
    char path[260];
    if (!join(path, folder, "files.dat"))
        return 0;
    FILE* archive = fopen(path, "rb");
    if (!archive)
        return 0;
    fseek(archive, 0, SEEK_END);
    unsigned long long size = (unsigned long long)ftell(archive);
    fseek(archive, 0, SEEK_SET);
    ArchiveEntry entry;
    int found = 0;
    while (!found && fread(&entry, sizeof entry, 1, archive) == 1 && entry.name[0]) {
        entry.name[259] = 0;
        if (_stricmp(entry.name, name) != 0 || entry.block_size == 0)
            continue;
        unsigned long long records = (entry.length + (unsigned long long)entry.block_size - 1) / entry.block_size;
        found = entry.data_offset + records * 2 * entry.block_size <= size;
    }
    fclose(archive);
    return found;
}

struct ProbeState {
    const char* folder;
    int complete;
};

int entry_present(const ScannedEntry& entry, void* context) {
    ProbeState* probe = (ProbeState*)context;
    char packed[260];
    int present;
    if (exists(probe->folder, entry.name))
        present = 1;
    else if (join(packed, "setup", entry.name) && exists(probe->folder, packed))
        // A masked file (not marked) needs its pad, the archive member of
        // the same name; a compressed one (marked) stands alone.
        present = entry.marked || archive_has(probe->folder, entry.name);
    else
        present = archive_has(probe->folder, entry.name);
    probe->complete &= present;
    return present;
}

int read_list(const char* folder, char** text, long* length) {
    char path[260];
    if (!join(path, folder, "install.dat"))
        return 0;
    FILE* file = fopen(path, "rb");
    if (!file)
        return 0;
    fseek(file, 0, SEEK_END);
    *length = ftell(file);
    fseek(file, 0, SEEK_SET);
    *text = *length >= 0 && *length <= kLargestList ? (char*)malloc(*length + 1) : nullptr;
    int ok = *text && (long)fread(*text, 1, *length, file) == *length;
    fclose(file);
    if (!ok) {
        free(*text);
        *text = nullptr;
    }
    return ok;
}

int win95_family() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

}  // namespace

extern "C" {

int hdl_probe_media(const char* tag, const char* folder) {
    if (!tag || !folder || strcmp(tag, HDLUTIL_BUILD_TAG) != 0 || !folder[0])
        return 0;
    static const char* const kComponents[] = {"setup.exe", "langres.dll", "hostinfo.dll", "hdlutil.dll"};
    for (const char* component : kComponents)
        if (!exists(folder, component))
            return 0;
    char* text;
    long length;
    if (!read_list(folder, &text, &length))
        return 0;
    ProbeState probe = {folder, 1};
    long found = 0;
    long count = scan_install_list(text, (size_t)length, entry_present, &probe, &found);
    free(text);
    return count > 0 && found == count && probe.complete;
}

int hdl_apply_tuning(const char* tag, const char* product) {
    if (!tag || !product || strcmp(tag, HDLUTIL_BUILD_TAG) != 0 || !product[0] || strchr(product, '\\'))
        return 0;
    char settings[260];
    int length = snprintf(settings, sizeof settings, "Software\\Halvern Dynamics Limited\\%s\\Settings", product);
    if (length <= 0 || length >= (int)sizeof settings)
        return 0;
    NetTuning tuning;
    // An install without tuning records an MTU of 0: nothing to apply.
    if (recorded_params(settings, "d_", &tuning) && tuning.value[kMtu] != 0)
        write_system_params(win95_family(), tuning);
    return 1;
}

}  // extern "C"
