// A script library for the uninstall tests. It supplies the Verify Uninstall
// template (5006) from its own module, reports the hooks of uninstall stage 1
// and answers as the test asks through the environment:
//   USCRIPT_BEGIN     result of UninstallBegin (default 0)
//   USCRIPT_PRE       result of VerifyUninstallPre (default 0)
//   USCRIPT_POST      result of VerifyUninstallPost (default 0)
//   USCRIPT_TEMPLATE  "0": VerifyUninstallPre leaves the template to setup.exe
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "setupinfo.h"

static HINSTANCE own_module;

static int env_result(const char* name) {
    const char* text = getenv(name);
    return text ? atoi(text) : 0;
}

static int present(const char* folder, const char* name) {
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s", folder, name);
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

static int __stdcall UninstallBegin(SetupInfo*, unsigned long) {
    printf("uscript: UninstallBegin\n");
    fflush(stdout);
    return env_result("USCRIPT_BEGIN");
}

static int __stdcall VerifyUninstallPre(SetupInfo* info, unsigned long) {
    const char* from = getenv("USCRIPT_TEMPLATE");
    if (!from || strcmp(from, "0") != 0)
        info->dialog_instance = own_module;
    return env_result("USCRIPT_PRE");
}

static int __stdcall VerifyUninstallPost(SetupInfo*, unsigned long) {
    printf("uscript: VerifyUninstallPost\n");
    fflush(stdout);
    return env_result("USCRIPT_POST");
}

// Reports what stage 1 has done by now: the copies in the Windows folder's
// Temp and whether the Windows uninstall entry is still there.
static int __stdcall UninstallEnd(SetupInfo* info, unsigned long) {
    char temp[MAX_PATH];
    GetWindowsDirectoryA(temp, sizeof temp);
    strncat(temp, "\\Temp", sizeof temp - strlen(temp) - 1);
    char entry[MAX_PATH];
    snprintf(entry, sizeof entry, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s",
             info->product_name.text ? info->product_name.text : "");
    HKEY key;
    int listed = RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (listed)
        RegCloseKey(key);
    printf("uscript: UninstallEnd setup=%d archive=%d listed=%d\n", present(temp, "setup.exe"),
           present(temp, "uninst.dat"), listed);
    fflush(stdout);
    return -9;  // ignored by the engine
}

extern "C" __declspec(dllexport) int __stdcall kSUMEntryPoint(SetupInfo* info, unsigned long) {
    info->UninstallBegin = UninstallBegin;
    info->VerifyUninstallPre = VerifyUninstallPre;
    info->VerifyUninstallPost = VerifyUninstallPost;
    info->UninstallEnd = UninstallEnd;
    printf("uscript: entry mode=%d\n", info->mode);
    fflush(stdout);
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        own_module = module;
    return TRUE;
}
