// The entry point of a product library that starts without the C runtime's
// start-up code (see kbarestart in cmake/kproject.cmake).
//
// msvcrt.dll initialises itself. mingw's start-up code would run static
// constructors, thread-local callbacks and the patches for imported data;
// a library with none of them has nothing for it to do, and the code is a
// sixth of a small library's size.
#include <windows.h>

extern "C" BOOL __stdcall kbare_library_entry(HINSTANCE, DWORD, void*) {
    return TRUE;
}
