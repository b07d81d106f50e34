// The kit's entry point: it starts bare, like the script library (see
// kbarestart in cmake/kproject.cmake), and frees its lists when unloaded.
#include <windows.h>
#include "kit_internal.h"

extern "C" BOOL __stdcall kit_library_entry(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_DETACH)
        kit_release_lists();
    return TRUE;
}
