// hdlutil.exe: hdlutil "TAG" "FOLDER" 0 probes the install media in FOLDER;
// hdlutil "TAG" "PRODUCT" 4 applies the product's recorded tuning. The work
// is hdlutil.dll's; the exit code is 0 when done and -1 otherwise.
#include <windows.h>
#include "hdlutil.h"

// A windowed program, so that starting it shows no console window.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return hdl_main(GetCommandLineA());
}
