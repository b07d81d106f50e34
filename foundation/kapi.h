// Export switch and platform types shared by every foundation header.
#pragma once

#ifdef _WIN32
#include <windows.h>
// setup.exe exports the foundation; the script library imports it from there.
#ifdef KSETUP_IMPORTS
#define KAPI __declspec(dllimport)
#else
#define KAPI __declspec(dllexport)
#endif
#define KPRINTF(f, a) __attribute__((format(ms_printf, f, a)))
#else
#define KAPI
#define __stdcall
#define KPRINTF(f, a) __attribute__((format(printf, f, a)))
#endif
