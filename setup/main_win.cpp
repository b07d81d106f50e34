// setup.exe: installs the product, or removes it in two stages.
//
// The program starts here directly rather than through the C runtime's
// start-up code: crtdll.dll initialises itself, the engine has no static
// constructors, and the start-up code would double the program's size.
#include <stdio.h>
#include <new>
#include "entry.h"

static int run(HINSTANCE instance, char* command_line) {
    SetupInfo* info = new (std::nothrow) SetupInfo;
    if (!info)
        return -1;
    int result = start_up(info, instance, command_line);
    int started = result == 0;
    if (started)
        result = dispatch(info);
    shut_down(info, started);
    delete info;
    return result;
}

extern "C" __attribute__((externally_visible)) void __stdcall setup_start() {
    int result = run(GetModuleHandleA(nullptr), (char*)own_arguments(GetCommandLineA()));
    fflush(stdout);
    ExitProcess((UINT)result);
}
