// A script library for the entry tests: reports what start-up handed it and
// answers as the test asks through the environment:
//   PROBE_ENTRY_RESULT  the result of kSUMEntryPoint (default 0)
//   PROBE_DELETE        a file the entry deletes (as a hook might)
// Its InstallBegin hook ends install mode with -7.
#include <stdio.h>
#include <stdlib.h>
#include "setupinfo.h"

// Install mode stops at once with a result of its own, passed through as
// the exit code.
static int __stdcall ProbeInstallBegin(SetupInfo*, unsigned long) {
    printf("probe: install begins\n");
    return -7;
}

static const char* text_of(kString& s) {
    return s.text ? s.text : "(unset)";
}

extern "C" __declspec(dllexport) int __stdcall kSUMEntryPoint(SetupInfo* info, unsigned long context) {
    printf("probe: entry mode=%d fields=%u context=%lu\n", info->mode, info->fields.count, context);
    for (unsigned int i = 0; i < info->fields.count; i++)
        printf("probe: field %u=%s\n", i, text_of(*info->fields.items[i]));
    printf("probe: source=%s\n", text_of(info->source_folder));
    printf("probe: destination=%s\n", text_of(info->destination_folder));
    printf("probe: name=%s key=%s\n", text_of(info->product_name), text_of(info->product_key));
    for (unsigned int i = 0; i < info->extracted.count; i++)
        printf("probe: extracted=%s\n", text_of(*info->extracted.items[i]));
    printf("probe: size=%lu hooks=%lu disc=%d\n", info->size, info->hook_block_size, info->disc_drive);
    const char* victim = getenv("PROBE_DELETE");
    if (victim)
        printf("probe: deleted %s: %d\n", victim, remove(victim) == 0);
    info->InstallBegin = ProbeInstallBegin;
    const char* result = getenv("PROBE_ENTRY_RESULT");
    fflush(stdout);
    return result ? atoi(result) : 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        printf("probe: loaded\n");
        fflush(stdout);
    }
    return TRUE;
}
