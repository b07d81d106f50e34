// The shutdown privilege of the process's token.
#include "restart.h"

int enable_shutdown_privilege(DWORD version) {
    // The high bit of GetVersion's value marks the Windows 95 family.
    if (version & 0x80000000)
        return 1;
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return 0;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // AdjustTokenPrivileges succeeds also for a privilege that the token
    // lacks; only the last error tells.
    int enabled = LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
                  AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                  GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return enabled;
}
