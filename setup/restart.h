// The shutdown privilege that NT asks of a process before ExitWindowsEx
// restarts or shuts down.
#pragma once
#include <windows.h>

// Enables the shutdown privilege in the process's token when version (the
// value of GetVersion) names NT. The Windows 95 family has no privileges and
// only failing stubs of the token functions: there nothing is called and the
// result is 1. On NT 1 when the privilege is enabled, 0 when the token does
// not hold it or cannot be changed.
int enable_shutdown_privilege(DWORD version);
