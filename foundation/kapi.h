// Export switch and platform types shared by every foundation header.
#pragma once

#ifdef _WIN32
#include <windows.h>
// setup.exe exports the foundation; the script library imports it from there.
#ifdef KSETUP_IMPORTS
#define KAPI __declspec(dllimport)
#elif defined(KFOUNDATION_EXPORTS) || defined(KSETUP_PROGRAM)
// prodkit.dll exports its own copies of a few pieces under the same names.
// setup.exe is compiled as one unit that stands for the whole program: what
// it exports must be marked, or the compiler would keep it to itself (the
// marks' own export requests are dropped before the link, so the program
// still exports exactly the names of setup/setup.def).
#define KAPI __declspec(dllexport)
#else
// setup.exe exports exactly the names that setup/setup.def lists: marking
// the classes would also export the base-object constructors and
// destructors that no script calls. Elsewhere (the test programs,
// prodkit.dll's internal copies) the pieces are plain code.
#define KAPI
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
