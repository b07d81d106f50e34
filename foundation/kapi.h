// Export switch and platform types shared by every foundation header.
#pragma once

#ifdef _WIN32
#include <windows.h>
// setup.exe exports the foundation; the script library imports it from there.
#ifdef KSETUP_IMPORTS
#define KAPI __declspec(dllimport)
#elif defined(KFOUNDATION_PRIVATE)
// A library that carries its own copy of a piece for internal use only
// (prodkit.dll's bitmap loading and multibyte length): nothing exported.
#define KAPI
#else
#define KAPI __declspec(dllexport)
#endif
#define KPRINTF(f, a) __attribute__((format(ms_printf, f, a)))
// The C runtime DLL's own formatter: the C99 vsnprintf of mingw would bring its whole
// printf implementation into every binary. It does not terminate a text
// that fills the buffer: callers leave a zero byte after the room they give.
#define kvsnprintf _vsnprintf
#else
#define kvsnprintf vsnprintf
#define KAPI
#define __stdcall
#define KPRINTF(f, a) __attribute__((format(printf, f, a)))
#endif
