// The entry point of a product library that starts without the C runtime's
// start-up code (see kbarestart in cmake/kproject.cmake).
//
// crtdll.dll initialises itself. mingw's start-up code would run static
// constructors and patch data imported without dllimport; a library with
// neither (the link checks, cmake/bare-start.ld) has nothing for it to do,
// and that code is a quarter of a small library's size.
#include <windows.h>

extern "C" BOOL __stdcall kbare_library_entry(HINSTANCE, DWORD, void*) {
    return TRUE;
}
