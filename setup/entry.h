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

// The command line after the program's name: after the closing quote of a
// quoted name; for an unquoted one after the first of own_names (compared
// without regard to case) that the line starts with and that a blank or the
// end follows, else at the first blank. Leading blanks of the rest skipped.
const char* arguments_after_program(const char* line, const char* const* own_names, int name_count);
// arguments_after_program with the running program's own path, long and
// short, with and without ".exe".
const char* own_arguments(const char* line);
