// A sample install script: shows the contract between setup.exe and a script
// library. It names a small product, fills the hook slots, and describes the
// product's files, registry values, shortcuts and dependencies through the
// install description that setup.exe exports.
#include <stdio.h>
#include "setupinfo.h"

static const char kProductKey[] = "Software\\Sample Maker\\Sample";

static int __stdcall SampleInstallBegin(SetupInfo* info, unsigned long) {
    printf("sample: install begins in %s\n", info->source_folder.text);
    return 0;
}

static int __stdcall SampleInstallEnd(SetupInfo* info, unsigned long) {
    printf("sample: install ends with %u files, %u keys, %u links\n", info->files.count,
           info->keys.count, info->links.count);
    return 0;
}

// Describes the product: what setup.exe copies, writes and links.
static int __stdcall SampleBeforeCopy(SetupInfo* info, unsigned long) {
    kString from, to;
    from.sprintf((char*)"%s\\readme.txt", info->source_folder.text);
    to.sprintf((char*)"%s\\readme.txt", info->destination_folder.text);
    info->AddFile(from, to, 0);
    from.sprintf((char*)"%s\\files.dat\\sample.exe", info->source_folder.text);
    to.sprintf((char*)"%s\\sample.exe", info->destination_folder.text);
    info->AddFile(from, to, 0);
    kString key;
    key.sprintf((char*)"%s\\Settings", kProductKey);
    info->AddKey(HKEY_LOCAL_MACHINE, key, (char*)"installDir", info->destination_folder.text);
    info->AddKey(HKEY_LOCAL_MACHINE, key, (char*)"runs", 0ul);
    kString link;
    link.sprintf((char*)"%s\\Sample.lnk", info->destination_folder.text);
    info->AddLink(link, to, 0);
    return 0;
}

static int __stdcall SampleFileFailed(SetupInfo*, char* source, char*, unsigned long) {
    printf("sample: could not place %s\n", source);
    return 0;
}

extern "C" __declspec(dllexport) int __stdcall kSUMEntryPoint(SetupInfo* info, unsigned long) {
    info->product_key.set(kProductKey);
    info->product_name.set("Sample");
    info->destination_folder.sprintf((char*)"C:\\Program Files\\Sample");
    info->InstallBegin = SampleInstallBegin;
    info->InstallEnd = SampleInstallEnd;
    info->BeforeCopy = SampleBeforeCopy;
    info->FileFailed = SampleFileFailed;
    printf("sample: entry in mode %d, product %s\n", info->mode, info->product_name.text);
    return 0;
}
