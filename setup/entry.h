// Program entry: start-up, dispatch and shutdown of setup.exe.
#pragma once
#include "setupinfo.h"

// Start-up: command line, own folder, run mode, the uninstall archive in the
// uninstall stages, the script library and its entry. 0, or -1 on failure.
int start_up(SetupInfo* info, HINSTANCE instance, char* command_line);
// Runs the mode chosen at start-up; its result is the exit code.
int dispatch(SetupInfo* info);
// Unloads the script and deletes the files unpacked at start-up; after a
// successful start-up also removes the folder that "_ktdp" names.
void shut_down(SetupInfo* info, int started);
