// setup.exe: installs the product, or removes it in two stages.
#include "entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    SetupInfo* info = new SetupInfo;
    int result = start_up(info, instance, command_line);
    int started = result == 0;
    if (started)
        result = dispatch(info);
    shut_down(info, started);
    delete info;
    return result;
}
