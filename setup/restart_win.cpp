// The shutdown privilege of the process's token.
#include "restart.h"

typedef BOOL(WINAPI* OpenProcessTokenFn)(HANDLE, DWORD, HANDLE*);
typedef BOOL(WINAPI* LookupPrivilegeValueFn)(const char*, const char*, LUID*);
typedef BOOL(WINAPI* AdjustTokenPrivilegesFn)(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*, DWORD*);

int enable_shutdown_privilege(DWORD version) {
    // The high bit of GetVersion's value marks the Windows 95 family, which
    // has no privileges.
    if (version & 0x80000000)
        return 1;
    // Looked up, not imported: the token functions are NT's, and the 95
    // family's advapi32.dll is not known to export all of them.
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    if (!advapi)
        return 0;
    OpenProcessTokenFn open_token = (OpenProcessTokenFn)(void*)GetProcAddress(advapi, "OpenProcessToken");
    LookupPrivilegeValueFn lookup = (LookupPrivilegeValueFn)(void*)GetProcAddress(advapi, "LookupPrivilegeValueA");
    AdjustTokenPrivilegesFn adjust = (AdjustTokenPrivilegesFn)(void*)GetProcAddress(advapi, "AdjustTokenPrivileges");
    HANDLE token;
    if (!open_token || !lookup || !adjust ||
        !open_token(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return 0;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // AdjustTokenPrivileges succeeds also for a privilege that the token
    // lacks; only the last error tells.
    int enabled = lookup(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
                  adjust(token, FALSE, &privileges, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return enabled;
}
