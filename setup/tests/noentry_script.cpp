// A library without kSUMEntryPoint: setup.exe must refuse it.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall SomethingElse(void*, unsigned long) {
    return 0;
}
