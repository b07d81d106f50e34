// hdlutil.exe: hdlutil "TAG" "FOLDER" 0 probes the install media in FOLDER;
// hdlutil "TAG" "PRODUCT" 4 applies the product's recorded tuning. Exit code
// 0 when done, -1 for a failed probe or missing or malformed arguments.
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include "hdlutil.h"

// A windowed program, so that starting it shows no console window.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = __argc;
    char** argv = __argv;
    // The installer starts the program by an unquoted path that may hold
    // blanks, so the arguments are taken from the end of the line.
    if (argc < 4)
        return -1;
    const char* tag = argv[argc - 3];
    const char* argument = argv[argc - 2];
    const char* mode = argv[argc - 1];
    if (strcmp(mode, "0") == 0)
        return hdl_probe_media(tag, argument) ? 0 : -1;
    if (strcmp(mode, "4") == 0)
        return hdl_apply_tuning(tag, argument) ? 0 : -1;
    return -1;
}
