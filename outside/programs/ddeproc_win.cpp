// ddeproc.exe, the product's DDE process: holds its mutex and its shared
// memory, with its process id in the word at offset 24, and ends soon after
// that word is set to all ones. Started with "/ignore-stop" it ignores that
// request, so that the installer's termination path can be exercised.
#include <windows.h>
#include <string.h>
#include "appwindow.h"
#include "names.h"
#include "program_args.h"

namespace {

struct Shared {
    volatile DWORD* process_id;
    int ignore_stop;
};

int check_stop_request(HANDLE, void* context) {
    Shared* shared = (Shared*)context;
    return !shared->ignore_stop && *shared->process_id == VANTREL_DDE_STOP;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, VANTREL_DDE_MUTEX);
    if (!mutex)
        return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return 0;
    }
    int code = 1;
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kDdeMemorySize,
                                        VANTREL_DDE_MEMORY);
    BYTE* view = mapping ? (BYTE*)MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr;
    if (view) {
        Shared shared = {(volatile DWORD*)(view + kDdeProcessIdOffset), 0};
        shared.ignore_stop = started_with(GetCommandLineA(), "/ignore-stop");
        *shared.process_id = GetCurrentProcessId();
        AppWindow window;
        if (window.open(instance, "Vantrel DDE", "Vantrel's browser link is running."))
            code = window.run(nullptr, check_stop_request, &shared, 100);
        UnmapViewOfFile(view);
    }
    if (mapping)
        CloseHandle(mapping);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return code;
}
