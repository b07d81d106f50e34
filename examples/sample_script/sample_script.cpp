// A sample install script: a small product that shows the contract between
// setup.exe and a script library. It names the product, fills every hook
// slot it may, reads its file list from "install.dat" on the media, adds a
// shortcut, registry values and a dependency, supplies the Verify Uninstall
// dialog, and at uninstall names its folder in "_ktdp" so that the last
// setup.exe to exit removes it.
//
// For tests, SAMPLE_HOOKS may name hooks that answer a fixed result instead
// of doing their work, e.g. "BeforeCopy=1,FileBefore=1,FileFailed=-3".
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "kbuffer.h"
#include "kfile.h"
#include "kregkey.h"
#include "setupinfo.h"

static const char kProductKey[] = "Software\\Halvern Dynamics Limited\\Sample";
static const char kMakerKey[] = "Software\\Halvern Dynamics Limited";
static HINSTANCE sample_module;

// A fixed answer for hook name from SAMPLE_HOOKS; 0 when there is none.
static int forced(const char* name, int* result) {
    const char* list = getenv("SAMPLE_HOOKS");
    size_t n = strlen(name);
    for (const char* at = list; at && (at = strstr(at, name)) != nullptr; at += n) {
        if ((at == list || at[-1] == ',') && at[n] == '=') {
            *result = atoi(at + n + 1);
            return 1;
        }
    }
    return 0;
}

#define FORCED(name)                 \
    do {                             \
        int answer;                  \
        printf("sample: %s\n", name); \
        fflush(stdout);              \
        if (forced(name, &answer))   \
            return answer;           \
    } while (0)

// The field value after "key=" at or after at, up to the next ";".
static const char* field(const char* at, const char* key, char* value) {
    const char* start = strstr(at, key);
    if (!start)
        return nullptr;
    start += strlen(key);
    const char* end = strchr(start, ';');
    if (!end || end - start > 259)
        return nullptr;
    memcpy(value, start, end - start);
    value[end - start] = 0;
    return end + 1;
}

static int exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Adds one install list entry: a plain file beside install.dat, a chunked
// compressed ("&") or masked file in "setup", else a member of "files.dat".
static void add_entry(SetupInfo* info, const char* name, int marked, const char* dest) {
    kString plain, packed, member, destination;
    plain.sprintf((char*)"%s\\%s", info->source_folder.text, name);
    packed.sprintf((char*)"%s\\setup\\%s", info->source_folder.text, name);
    member.sprintf((char*)"%s\\files.dat\\%s", info->source_folder.text, name);
    destination.sprintf((char*)"%s\\%s", info->destination_folder.text, dest);
    if (exists(plain))
        info->AddFile(plain, destination, 0);
    else if (exists(packed) && marked)
        info->AddFile(packed, destination, 1);
    else if (exists(packed))
        info->AddXorFile(packed, member, destination, 1);
    else
        info->AddFile(member, destination, 0);
}

static int read_install_list(SetupInfo* info) {
    kString path;
    path.sprintf((char*)"%s\\install.dat", info->source_folder.text);
    kFile file;
    kBuffer text;
    if (!file.open(path, (char*)"rb") || !file.GetImage(text))
        return 0;
    char value[260], dest[260];
    const char* at = field((char*)text.pointer(), "total=", value);
    long total = at ? strtol(value, nullptr, 0) : 0;
    long added = 0;
    while (at && added < total) {
        at = field(at, "src=", value);
        if (!at)
            break;
        int marked = *at == '&';
        at = field(at, "dest=", dest);
        if (!at)
            break;
        add_entry(info, value, marked, dest);
        added++;
    }
    return added > 0;
}

static int __stdcall SampleInstallBegin(SetupInfo*, unsigned long) {
    FORCED("InstallBegin");
    return 0;
}

static int __stdcall SampleInstallEnd(SetupInfo* info, unsigned long) {
    printf("sample: InstallEnd with %u files, %u keys, %u links\n", info->files.count, info->keys.count,
           info->links.count);
    return 0;
}

static int __stdcall SampleStage(SetupInfo*, unsigned long) {
    return 0;
}

#define STAGE_HOOK(name)                                         \
    static int __stdcall Sample##name(SetupInfo*, unsigned long) { \
        FORCED(#name);                                           \
        return 0;                                                \
    }
STAGE_HOOK(WelcomePre)
STAGE_HOOK(WelcomePost)
STAGE_HOOK(LicensePre)
STAGE_HOOK(LicensePost)
STAGE_HOOK(PathPost)
STAGE_HOOK(OldVersionPre)
STAGE_HOOK(OldVersionPost)
STAGE_HOOK(CompletePre)
STAGE_HOOK(CompletePost)
STAGE_HOOK(UninstallBegin)
STAGE_HOOK(UninstallEnd)

static int __stdcall SamplePathPre(SetupInfo* info, unsigned long) {
    FORCED("PathPre");
    const char* folder = getenv("SAMPLE_FOLDER");
    if (folder)
        info->destination_folder.set(folder);
    return 0;
}

// Describes the product: files from the install list, a shortcut, values.
static int __stdcall SampleBeforeCopy(SetupInfo* info, unsigned long) {
    FORCED("BeforeCopy");
    if (!read_install_list(info))
        printf("sample: no install list\n");
    // The shortcuts go into the install folder the user has chosen.
    info->group_folder.sprintf((char*)"%s\\Shortcuts", info->destination_folder.text);
    kString link, target;
    link.sprintf((char*)"%s\\Sample Readme.lnk", info->group_folder.text);
    target.sprintf((char*)"%s\\readme.txt", info->destination_folder.text);
    info->AddLink(link, target, 0);
    link.sprintf((char*)"%s\\Uninstall Sample.lnk", info->group_folder.text);
    target.sprintf((char*)"%s\\setup.exe", info->destination_folder.text);
    kString arguments;
    arguments.sprintf((char*)"uninstall1,%s\\uninst.dat,%s,%s", info->destination_folder.text,
                      info->product_name.text, info->product_key.text);
    info->AddSpecialLink(link, target, arguments, 1);
    kString settings;
    settings.sprintf((char*)"%s\\Settings", kProductKey);
    info->AddKey(HKEY_LOCAL_MACHINE, settings, (char*)"installDir", info->destination_folder.text);
    info->AddKey(HKEY_LOCAL_MACHINE, settings, (char*)"runs", 0ul);
    info->AddKey(HKEY_CURRENT_USER, (char*)"Software", (char*)"SampleLastUser", (char*)"yes");
    info->AddKey(HKEY_CURRENT_USER, (char*)"Software\\Halvern Dynamics Limited\\Sample Viewer", (char*)"",
                 (char*)"viewer");
    kString dependency;
    dependency.sprintf((char*)"%s\\license.txt", info->source_folder.text);
    info->AddDependency(dependency);
    return 0;
}

static int __stdcall SampleFileBefore(SetupInfo*, char* source, char*, unsigned long) {
    printf("sample: FileBefore %s\n", source);
    int answer;
    return forced("FileBefore", &answer) ? answer : 0;
}

static int __stdcall SampleFileAfter(SetupInfo*, char*, char* destination, unsigned long) {
    printf("sample: FileAfter %s\n", destination);
    return 0;
}

static int __stdcall SampleFileFailed(SetupInfo*, char* source, char*, unsigned long) {
    printf("sample: FileFailed %s\n", source);
    int answer;
    return forced("FileFailed", &answer) ? answer : 0;
}

static int __stdcall SampleAfterCopy(SetupInfo*, unsigned long) {
    FORCED("AfterCopy");
    return 0;
}

// The engine has no Verify Uninstall template: it comes from this library.
static int __stdcall SampleVerifyUninstallPre(SetupInfo* info, unsigned long) {
    FORCED("VerifyUninstallPre");
    info->dialog_instance = sample_module;
    return 0;
}

// Names the product folder for removal once the last setup.exe exits.
static int __stdcall SampleVerifyUninstallPost(SetupInfo* info, unsigned long) {
    FORCED("VerifyUninstallPost");
    kRegKey maker;
    if (maker.create(HKEY_LOCAL_MACHINE, (char*)kMakerKey))
        maker.set((char*)"_ktdp", info->source_folder.text);
    return 0;
}

extern "C" __declspec(dllexport) int __stdcall kSUMEntryPoint(SetupInfo* info, unsigned long) {
    info->product_key.set(kProductKey);
    info->product_name.set("Sample");
    if (info->mode == kInstallMode)
        info->destination_folder.set("C:\\Program Files\\Sample");
    info->InstallBegin = SampleInstallBegin;
    info->InstallEnd = SampleInstallEnd;
    info->WelcomePre = SampleWelcomePre;
    info->WelcomePost = SampleWelcomePost;
    info->PathPre = SamplePathPre;
    info->ReservedHook5 = SampleStage;
    info->PathPost = SamplePathPost;
    info->BeforeCopy = SampleBeforeCopy;
    info->FileBefore = SampleFileBefore;
    info->FileFailed = SampleFileFailed;
    info->FileAfter = SampleFileAfter;
    info->AfterCopy = SampleAfterCopy;
    info->CompletePre = SampleCompletePre;
    info->CompletePost = SampleCompletePost;
    info->LicensePre = SampleLicensePre;
    info->LicensePost = SampleLicensePost;
    info->VerifyUninstallPre = SampleVerifyUninstallPre;
    info->VerifyUninstallPost = SampleVerifyUninstallPost;
    info->OldVersionPre = SampleOldVersionPre;
    info->OldVersionPost = SampleOldVersionPost;
    info->UninstallBegin = SampleUninstallBegin;
    info->UninstallEnd = SampleUninstallEnd;
    printf("sample: entry in mode %d, product %s\n", info->mode, info->product_name.text);
    fflush(stdout);
    int answer;
    return forced("kSUMEntryPoint", &answer) ? answer : 0;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        sample_module = module;
    return TRUE;
}
