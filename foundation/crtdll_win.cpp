// What the toolchain's headers expect of the C runtime beyond crtdll.dll's
// own exports (see foundation/crtdll.def): the standard streams through a
// function, and snprintf with the C99 result. Linked into every shipped
// module, on both Windows builds.
//
// Compiled without the product's forced stdio.h (see foundation/CMakeLists):
// these definitions must not meet the headers' import declarations.
#define _CRTIMP
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#undef _iob
extern "C" __declspec(dllimport) FILE _iob[];

extern "C" {

FILE* __cdecl __acrt_iob_func(unsigned index) {
    return &_iob[index];
}
// Code compiled with the import declaration calls through this pointer.
FILE* (__cdecl* __MINGW_IMP_SYMBOL(__acrt_iob_func))(unsigned) = __acrt_iob_func;

// C99 vsnprintf over the runtime's _vsnprintf: the text is always
// terminated, and the result is the length of the whole text, as the
// callers that test "result >= size" expect. crtdll.dll has no function
// that only measures, so an over-long text is formatted again into heap
// blocks until it fits.
int __cdecl __ms_vsnprintf(char* out, size_t size, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int written = _vsnprintf(out, size, format, copy);
    va_end(copy);
    if (written >= 0 && (size_t)written < size)
        return written;
    if (size)
        out[size - 1] = 0;
    for (size_t room = size < 256 ? 256 : size * 2; room > size && room < 0x40000000u; room *= 2) {
        char* scratch = (char*)malloc(room);
        if (!scratch)
            break;
        va_copy(copy, args);
        written = _vsnprintf(scratch, room, format, copy);
        va_end(copy);
        free(scratch);
        if (written >= 0 && (size_t)written < room)
            return written;
    }
    return -1;
}

int __cdecl __ms_snprintf(char* out, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int written = __ms_vsnprintf(out, size, format, args);
    va_end(args);
    return written;
}

}  // extern "C"
